#include "capture/FrameQueue.h"

FrameQueue::FrameQueue(size_t frameBytes, int depth, Writer writer) : m_Writer(std::move(writer))
{
    m_Buffers.resize(static_cast<size_t>(depth > 0 ? depth : 1));
    for (std::vector<unsigned char>& b : m_Buffers)
    {
        b.resize(frameBytes);
        m_Free.push_back(b.data());
    }
    m_Thread = std::thread(&FrameQueue::Run, this);
}

FrameQueue::~FrameQueue()
{
    Finish();
}

unsigned char* FrameQueue::Acquire()
{
    std::unique_lock<std::mutex> lock(m_Lock);
    m_Changed.wait(lock, [this] { return !m_Free.empty(); });
    unsigned char* b = m_Free.back();
    m_Free.pop_back();
    return b;
}

void FrameQueue::Submit(unsigned char* buffer)
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Queued.push_back(buffer);
        ++m_Submitted;
    }
    m_Changed.notify_all();
}

bool FrameQueue::Finish()
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Stopping = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
    std::lock_guard<std::mutex> lock(m_Lock);
    return !m_Failed && m_Written == m_Submitted;
}

bool FrameQueue::Failed() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Failed;
}

uint64_t FrameQueue::Written() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Written;
}

void FrameQueue::Run()
{
    uint64_t index = 0;
    for (;;)
    {
        unsigned char* frame = nullptr;
        bool failed = false;
        {
            std::unique_lock<std::mutex> lock(m_Lock);
            m_Changed.wait(lock, [this] { return m_Stopping || !m_Queued.empty(); });
            if (m_Queued.empty())
                return; // stopping, and everything is written
            frame = m_Queued.front();
            m_Queued.pop_front();
            failed = m_Failed;
        }
        bool ok = !failed && m_Writer(frame, index++);
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            if (ok)
                ++m_Written;
            else
                m_Failed = true;
            m_Free.push_back(frame);
        }
        m_Changed.notify_all();
    }
}
