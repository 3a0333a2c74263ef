#pragma once
// One MP3 file read through libmad's stream and frame decoder: the 40960-byte
// input buffer refilled from the file with the undecoded remainder moved to the
// front, 8 zero guard bytes after the end of the file, ID3 tags skipped when
// synchronisation is lost on them, frames with a bad CRC muted and frames with
// any other recoverable error dropped. Synthesis is left to the caller, which
// knows what format it wants the samples in.
//
// Thread contract: one thread at a time.

#include <mad.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace velmora {

// Size in bytes of the tag that starts at `p` (`avail` bytes readable there):
// an ID3v1 block ("TAG", 128 bytes) or an ID3v2 tag whose header is valid
// (10 + sync-safe size, + 10 for a footer); 0 when no tag starts there.
std::uint64_t TagSizeAt(const unsigned char* p, std::size_t avail);

class MadStream {
public:
    static constexpr std::size_t kInputSize = 40960;
    static constexpr std::size_t kGuardSize = MAD_BUFFER_GUARD;

    enum class Step {
        Frame,    // frame() holds a decoded (possibly muted) frame
        NoFrame,  // this step yielded nothing (refill, tag, dropped frame); go on
        Ended,    // no more frames: end of file reached, or the file could not be read
    };

    MadStream();
    ~MadStream();
    MadStream(const MadStream&) = delete;
    MadStream& operator=(const MadStream&) = delete;

    // Opens a regular file for reading; anything else (missing, a directory, a
    // pipe) fails with a reason.
    bool Open(const std::filesystem::path& path, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    std::uint64_t FileSize() const { return fileSize_; }

    // One decode step. With `headerOnly` only the frame header is decoded
    // (enough to learn its length and duration, far cheaper).
    Step Decode(bool headerOnly = false);

    // Forgets all buffered input and decoder history and goes on reading at
    // byte `offset` of the file.
    bool SeekToByte(std::uint64_t offset);

    // The bytes of the frame the last successful step decoded (header included).
    const unsigned char* FrameData() const { return stream_.this_frame; }
    std::size_t FrameLength() const {
        return stream_.this_frame && stream_.next_frame > stream_.this_frame
                   ? static_cast<std::size_t>(stream_.next_frame - stream_.this_frame) : 0;
    }

    // File offset of the frame the last successful step decoded.
    std::uint64_t FrameOffset() const;

    const mad_frame& frame() const { return frame_; }
    mad_frame& frame() { return frame_; }
    int LastError() const { return stream_.error; }
    bool ReadFailed() const { return readFailed_; }
    bool Ended() const { return readFailed_ || drained_; }

private:
    void Refill();
    void ResetDecoder();

    int fd_ = -1;
    std::uint64_t fileSize_ = 0;
    std::uint64_t readPos_ = 0;      // file offset of the next read
    std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    std::unique_ptr<unsigned char[]> buffer_;
    mad_stream stream_{};
    mad_frame frame_{};
    bool hasBuffer_ = false;
    bool eof_ = false;         // a read has returned end of file
    bool drained_ = false;     // after that, nothing decodable was left
    bool readFailed_ = false;
};

}  // namespace velmora
