#pragma once
// Warnings about a script: what loads without a report but makes the demo read
// or play something other than what its author wrote. A header in the wrong
// case hides the rest of the file, "16.5" is read as 16 ms, a message due while
// its target is off the timeline is lost, a misspelt effect name is skipped.
//
// The analysis reads the script by the reader's own rules (the same filter,
// regions, entries and readings as ScriptParser) and changes nothing: it feeds
// no core and shows no box. The script checker prints what it finds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An effect kind as a script sees it: its registered name and the message
// names it declared, which are the texts its OnMessage acts on.
struct ScriptEffectKind
{
    std::string Name;
    std::vector<std::string> Messages;
};

// One warning. Where: a region (numbered from 1 in file order, RegionText its
// header and first entry as written, on one line), or for text outside any
// region Region 0 and only the offset. What: the problem, quoting the script's
// text as written in double quotes (line ends and tabs as \n, \r, \t) and
// saying what is read instead.
struct ScriptWarning
{
    int Region = 0;
    std::string RegionText;
    size_t Offset = 0; // bytes from the start of the file to the region's "[" or the text
    size_t Line = 1;   // of Offset, from 1
    std::string What;
};

// raw: the script file's bytes. kinds: the registered effect kinds. musicMs: the
// length of the music the demo plays, negative for none. The warnings come in
// file order.
std::vector<ScriptWarning>
CheckScriptText(std::string_view raw, const std::vector<ScriptEffectKind>& kinds, int64_t musicMs);
