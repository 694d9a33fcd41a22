#include "platform/SoundStream.h"

#include <cstring>

namespace platform
{

size_t PullStream(SoundStream& stream, float* stereo, size_t frames)
{
    size_t got = 0;
    bool ended = false;
    while (got < frames)
    {
        size_t n = stream.decoder->Read(stereo + 2 * got, frames - got);
        got += n;
        if (got == frames)
            break;
        // A looping stream starts over, unless the track gave nothing at all
        // (an empty track would spin here forever).
        if ((stream.mode & SoundLoopNormal) && stream.decoder->Position() > 0)
        {
            stream.decoder->Seek(0);
            continue;
        }
        ended = true;
        break;
    }
    if (got < frames)
        std::memset(stereo + 2 * got, 0, 2 * (frames - got) * sizeof(float));
    stream.position.store(stream.decoder->Position(), std::memory_order_relaxed);
    stream.ended.store(ended, std::memory_order_relaxed);
    return got;
}

void SeekStream(SoundStream& stream, int64_t frame)
{
    std::lock_guard<std::mutex> lock(stream.decoderLock);
    stream.decoder->Seek(frame < 0 ? 0 : frame);
    stream.position.store(stream.decoder->Position(), std::memory_order_relaxed);
    stream.ended.store(false, std::memory_order_relaxed);
    stream.run.fetch_add(1, std::memory_order_relaxed);
}

} // namespace platform
