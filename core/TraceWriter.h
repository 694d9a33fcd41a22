#pragma once
// The frame trace (--trace FILE): the header line kHeader, then one line per
// frame of the main loop,
//     FRAME TIME DT MSG ACTIVE BANDS AV
// FRAME from 0; TIME and DT (the frame time handed to AddTime) as %.4f; MSG
// "-" or ID@TARGET with "*" appended when it was delivered; ACTIVE the active
// entries in update and render order as NAME:LAYER joined by commas, or "-";
// BANDS the three standard band peaks as %.3f joined by commas, or "-"
// without music; AV the milliseconds by which TIME leads the heard music as
// %.1f, or "-" when none was heard. docs/trace.md describes it for authors.
#include <cstdio>
#include <string>

#include "core/FrameRecord.h"

class EffectInterface;
class IEffect;

class TraceWriter : public IFrameObserver
{
  public:
    static constexpr const char* kHeader = "# FRAME TIME DT MSG ACTIVE BANDS AV";

    TraceWriter() = default;
    ~TraceWriter() override;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // Creates or truncates path and writes the header; false when it cannot be created.
    bool Open(const std::string& path);
    // Effects are named as this registry names them ("?" when unknown).
    void SetRegistry(const EffectInterface* registry) { m_Registry = registry; }
    void OnFrame(const FrameRecord& frame) override;
    // Hands the lines written so far to the file (an editing run's trace is
    // read while it grows).
    void Flush();
    // Flushes and closes; false when any write failed.
    bool Close();

    // One line as OnFrame writes it, without the line end (for tests).
    static std::string Format(const FrameRecord& frame, const EffectInterface* registry);

  private:
    static void Write(std::FILE* f, const FrameRecord& frame, const EffectInterface* registry);

    std::FILE* m_File = nullptr;
    const EffectInterface* m_Registry = nullptr;
    bool m_Ok = true;
};
