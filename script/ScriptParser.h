#pragma once
// Reads the demo's script and feeds its regions to the demo core.
//
// The script is filtered first: "#" toggles a comment (across lines), and of
// the rest only letters, digits and "[ ] . , ; _ = -" survive, so blanks and
// line ends mean nothing. The filtered text is a sequence of regions, each a
// header "[NAME]" and a body of "key=value;" entries up to the next "[".
// NAME is MUSIC, EFFECT, MESSAGE or COLORSCHEME; anything before the first
// header or an unknown name makes the rest of the file unreadable, silently.
// Regions are handled in file order; a region missing a required key is
// reported ("Script Parser" information box) and skipped.
//
// The reader is linear in the size of the script: it walks one buffer with an
// index and never cuts text off the front of a string.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/ColorScheme.h"
#include "script/FileAccess.h"

class DemoCore;

enum RegionKind
{
    NoRegion = 0,
    MusicRegion = 1,
    EffectRegion = 2,
    MessageRegion = 3,
    ColorSchemeRegion = 4
};

class ScriptParser
{
  public:
    ScriptParser() = default;
    ~ScriptParser() { m_Core = nullptr; }
    ScriptParser(const ScriptParser&) = delete;
    ScriptParser& operator=(const ScriptParser&) = delete;

    // The core every region is handed to (not owned).
    void SetCore(DemoCore* core) { m_Core = core; }

    // Reads the file name in the data folder. False when the file could not be
    // opened or is too large (reported, quit requested), or on an interrupt;
    // true otherwise, also when regions were skipped.
    bool Parse(std::string fileName);
    // The same for a path taken as given (the script checker).
    bool ParsePath(const std::string& path);
    // Filters and handles a script already in memory (raw file bytes).
    void ParseText(std::string_view raw);

    // The bounded reader every mode reads a script through: the text of the
    // file at path after the filter, read piece by piece so that memory stays
    // within kMaxScriptBytes however large the file. False when the file
    // cannot be opened or is too large, reported as Parse reports it (box,
    // quit request), or on an interrupt.
    static bool ReadScript(const std::string& path, std::string& stripped);
    // The same without any report (a look at the script before the run).
    static bool ReadScriptQuietly(const std::string& path, std::string& stripped);
    // The file names the MUSIC regions of a filtered script give, in order.
    static std::vector<std::string> MusicNames(std::string_view stripped);

    // The steps below are the script grammar; they are public for the tests.

    // Keeps what survives the filter of raw, appending to out. comment carries
    // the comment state from one piece of a file to the next.
    static void Strip(std::string_view raw, bool& comment, std::string& out);
    // The value of key in a region body: true when the entry "key=value;" was
    // found. out only ever grows; it may hold a value even when the answer is
    // false (the entry lacked its closing ";").
    static bool FindValue(std::string_view body, std::string_view key, std::string& out);
    // "-" and the digits that follow; 0 without digits; saturates at the
    // 32-bit bounds.
    static int32_t ReadInteger(std::string_view text);
    // "-", digits with an optional ".", an optional exponent; 0 without a number.
    static float ReadReal(std::string_view text);
    // How much of text ReadReal reads as its number (a sign, digits, a
    // fraction, an exponent with digits), and how many digits the mantissa
    // has (none: ReadReal gives 0).
    static size_t RealLength(std::string_view text, size_t& digits);
    // Up to three comma-separated integers, each taken as unsigned and divided
    // by 255; components without a piece keep their value.
    static void ParseColor(std::string_view text, TColor& color);

    // A region that would add more messages, or more parameter values in all,
    // than these is skipped and reported: it would exhaust memory.
    static constexpr uint32_t kMaxRegionMessages = 1000000;
    static constexpr uint64_t kMaxRegionParameterValues = 16000000;
    // The same for the whole script: a region that would take the script past
    // either is skipped and reported ("... IN THE SCRIPT").
    static constexpr uint64_t kMaxScriptMessages = 2000000;
    static constexpr uint64_t kMaxScriptParameterValues = 16000000;
    // Script text after the filter; a longer script is refused like one that
    // cannot be opened ("Script Too Large").
    static constexpr uint64_t kMaxScriptBytes = uint64_t(64) << 20;

  private:
    RegionKind NextRegion(std::string_view text, size_t& pos);
    std::string_view RegionBody(std::string_view text, size_t& pos);
    void HandleRegions(std::string_view stripped);

    void HandleEffect(std::string_view body);
    void HandleMessage(std::string_view body);
    void HandleMusic(std::string_view body);
    void HandleColorScheme(std::string_view body);

    DemoCore* m_Core = nullptr;
    uint64_t m_ScriptMessages = 0; // scheduled so far by this parse
    uint64_t m_ScriptParameterValues = 0;
};
