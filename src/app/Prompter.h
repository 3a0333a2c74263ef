#pragma once
// How core operations put a question or a message to the operator. The
// desktop program answers with message boxes, the CLI with fixed answers and
// tests with a scripted fake that records every text.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A Yes/No question; true only for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
    // A message the operator must acknowledge.
    virtual void Tell(std::string_view text) = 0;
};

// Answers every question with a fixed answer and keeps every text it was given.
class RecordingPrompter : public Prompter {
public:
    explicit RecordingPrompter(bool answer = true) : answer_(answer) {}
    bool AskYesNo(std::string_view text) override {
        questions.emplace_back(text);
        return answer_;
    }
    void Tell(std::string_view text) override { messages.emplace_back(text); }
    void SetAnswer(bool answer) { answer_ = answer; }

    std::vector<std::string> questions;
    std::vector<std::string> messages;

private:
    bool answer_;
};

}  // namespace velmora
