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
//
// The file is written under a hidden name beside FILE and renamed over it by
// Close, so a run that fails (Discard) or writes no frame leaves an earlier
// trace as it was. Each line is handed to the file as its frame ends: the
// first frame that cannot be written fails the run (a fatal quit request,
// with a line on stderr) instead of going unnoticed until the end.
#include <cstdio>
#include <string>

#include "core/FrameRecord.h"
#include "platform/OutputFile.h"

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

    // Starts a trace that will replace path (the header line first); false
    // with the reason in error when it cannot be created (no folder, not a
    // regular file, ...).
    bool Open(const std::string& path, std::string& error);
    bool Open(const std::string& path)
    {
        std::string ignored;
        return Open(path, ignored);
    }
    // Effects are named as this registry names them ("?" when unknown).
    void SetRegistry(const EffectInterface* registry) { m_Registry = registry; }
    void OnFrame(const FrameRecord& frame) override;
    // Hands the lines written so far to the file (an editing run's trace is
    // read while it grows, under HiddenPath()).
    void Flush();
    // Puts the trace in place when it holds a frame; false when any write
    // failed (nothing is replaced then).
    bool Close();
    // Drops the trace: the file named in Open stays as it was.
    void Discard();
    // False once a write has failed.
    bool Ok() const { return m_Ok; }
    // Where the lines go until Close.
    const std::string& HiddenPath() const { return m_Hidden; }

    // One line as OnFrame writes it, without the line end (for tests).
    static std::string Format(const FrameRecord& frame, const EffectInterface* registry);

  private:
    static void Write(std::FILE* f, const FrameRecord& frame, const EffectInterface* registry);

    void Failed();

    platform::OutputFile m_Output;
    std::FILE* m_File = nullptr;
    std::string m_Path;
    std::string m_Hidden;
    const EffectInterface* m_Registry = nullptr;
    bool m_Ok = true;
    bool m_Told = false;
    uint64_t m_Frames = 0;
};
