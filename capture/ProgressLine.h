#pragma once
// The progress of a long run on stderr: "frame 120/600 (20%), 11.8 frames/s,
// 0:40 left". On a terminal one line is rewritten in place a few times a
// second; otherwise (a file, a pipe) a plain line appears every few seconds.
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressLine
{
  public:
    ProgressLine(std::FILE* out, bool inPlace, uint64_t total);

    // done frames after wall seconds; prints when a line is due.
    void Update(uint64_t done, double wall);
    // Ends the progress: an in-place line is cleared.
    void Clear();

    static std::string Format(uint64_t done, uint64_t total, double wall);

  private:
    std::FILE* m_Out;
    bool m_InPlace;
    uint64_t m_Total;
    double m_Next;
    bool m_Shown = false;
};
