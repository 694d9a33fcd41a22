#pragma once
// Hands captured frames from the main thread to a writer thread through a
// fixed pool of frame buffers, so that encoding overlaps rendering and memory
// stays flat however long the capture runs: when every buffer is waiting to
// be written, Acquire waits for the writer.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class FrameQueue
{
  public:
    // Called on the writer thread for each frame, in order; false marks the
    // queue failed (later frames are dropped unwritten).
    using Writer = std::function<bool(const unsigned char* frame, uint64_t index)>;

    FrameQueue(size_t frameBytes, int depth, Writer writer);
    ~FrameQueue(); // Finish

    // A free buffer of frameBytes, waiting while all are queued.
    unsigned char* Acquire();
    // Queues a buffer from Acquire as the next frame.
    void Submit(unsigned char* buffer);
    // Writes what is queued, then stops the writer thread. True when every
    // frame was written.
    bool Finish();
    bool Failed() const;
    uint64_t Written() const;

  private:
    void Run();

    Writer m_Writer;
    std::vector<std::vector<unsigned char>> m_Buffers;
    std::vector<unsigned char*> m_Free;
    std::deque<unsigned char*> m_Queued;
    mutable std::mutex m_Lock;
    std::condition_variable m_Changed;
    bool m_Stopping = false;
    bool m_Failed = false;
    uint64_t m_Submitted = 0;
    uint64_t m_Written = 0;
    std::thread m_Thread;
};
