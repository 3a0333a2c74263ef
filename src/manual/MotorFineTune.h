#pragma once
// What the motor fine-tune dialog does to one motor of one spring, without
// the dialog: the knob's travel and the command it requests, the release,
// the one-second zeroing ("标零"), and issuing the pending command into the
// output image at once (live mode), usable with or without a running show.
//
// The spring is named by ID and looked up for every action, so a spring
// that was deleted or replaced (a scene edit or reload) is simply absent:
// the knob still moves, nothing is requested.
//
// Safety: Close() (also the destructor) withdraws the command this object
// requested if it is still pending, so that no motor keeps turning by a
// request that no open window shows. The zeroing never blocks: Advance()
// ends it once its second has passed on the clock it is given.
//
// Thread contract: owner (UI) thread. The requests (m_nMotorCmd,
// m_nMotorAxis, m_nResendInterval) are atomic hand requests the engine reads
// on its next tick; IssueMotorCommand takes the output lock itself.

#include <cstdint>

namespace velmora {

class Runtime;
struct CSpring;

// The knob's top-left corner in the arrow control.
struct KnobPlace {
    int x = 0;
    int y = 0;
    friend bool operator==(const KnobPlace&, const KnobPlace&) = default;
};

class MotorFineTune {
public:
    static constexpr int kKnobHome = 45;       // x and y of the knob at rest
    static constexpr int kKnobRadius = 20;     // farthest travel from home
    static constexpr int kDeadZone = 2;        // |offset| below this requests nothing
    static constexpr std::int32_t kZeroingMs = 1000;
    static constexpr std::int32_t kZeroingInterval = 1000;

    // Commands of m_nMotorCmd.
    static constexpr std::int32_t kNone = 0;
    static constexpr std::int32_t kTurnNegative = 1;  // knob to the left
    static constexpr std::int32_t kTurnPositive = 2;  // knob to the right
    static constexpr std::int32_t kSetZero = 3;

    // `axis`: 1 = the Y-axis motor (BLOCKID2/COMID2), 0 = the Z-axis motor
    // (BLOCKID3/COMID3); written into the spring's m_nMotorAxis now.
    MotorFineTune(Runtime& runtime, std::int32_t springId, int axis);
    ~MotorFineTune();
    MotorFineTune(const MotorFineTune&) = delete;
    MotorFineTune& operator=(const MotorFineTune&) = delete;

    std::int32_t springId() const { return springId_; }
    int axis() const { return axis_; }
    // The spring, looked up now; null when it is gone.
    CSpring* Spring() const;

    // The knob is dragged to the proposed top-left (`x`, `y`): the offset
    // from home is limited to the radius, and its horizontal part requests
    // turning (outside the dead zone) with a resend interval that shortens
    // the farther the knob is pushed. Returns where the knob goes. Ignored
    // (knob at home) while zeroing.
    KnobPlace DragKnob(int x, int y);
    // The knob is let go: home, and the turning request withdrawn.
    KnobPlace ReleaseKnob();
    KnobPlace knob() const { return knob_; }
    // The horizontal offset of the knob from home (what drives the motor).
    int KnobOffset() const { return knob_.x - kKnobHome; }

    // "标零": requests setting the zero position for one second from
    // `nowMs`. False (nothing done) while a zeroing is already running.
    bool StartZeroing(std::uint32_t nowMs);
    bool Zeroing() const { return zeroing_; }
    // Ends the zeroing once its second has passed (command withdrawn);
    // true exactly when this call ended it.
    bool Advance(std::uint32_t nowMs);

    // Writes the spring's pending command into the output image under the
    // output lock, advancing its sequence number once per resend interval,
    // exactly as the engine's tick does. False when there is no spring.
    bool IssueMotorCommand(std::uint32_t nowMs);

    // Withdraws the command this object requested, if the spring still
    // holds it, and ends a running zeroing. Safe to call more than once.
    void Close();

private:
    void Request(std::int32_t command, std::int32_t intervalMs);

    Runtime& runtime_;
    std::int32_t springId_;
    int axis_;
    KnobPlace knob_{kKnobHome, kKnobHome};
    bool zeroing_ = false;
    std::uint32_t zeroingStart_ = 0;
    std::int32_t requested_ = kNone;  // the last command this object set
};

}  // namespace velmora
