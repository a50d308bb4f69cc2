// A small model of how the command interpreter groups a "cmd.exe" command
// line, for the tests of the delayed removal command: Wine's cmd cannot show
// what Windows' cmd would do with it, so the tests run the line through this
// model under both readings.
//
// Readings (CmdReading):
//   Windows  the body of "for ... do" and of "if ..." takes the rest of the
//            line, "&" chains included, up to the ")" that closes an
//            enclosing group;
//   Wine     a for body ends at the first "&"; so does an if body inside
//            parentheses or inside a for body; an if at the top of the line
//            takes the rest of it.
//
// Understood: the switches before "/c", "@", "( ... )", "&", "for /l %v in
// (start,step,end) do" (a positive step), "if [not] exist path" (quoted or
// not; the path compared without letter case), all in lower case, "ping 127.0.0.1 ..." (one pause; any other address is an
// error). Any other command is recorded as run, with its text (redirections
// kept) and the pauses made before it. A line the
// model cannot read (also "&&" and a ">&" redirection, which it does not
// model), or an "if exist" on a path other than the lock, gives an error and
// no commands.
//
// RunCmdModel runs the line against an exit lock that exists until
// `lockGoneAfterPauses` pauses have been made (0: gone before the start; a
// negative value: never gone) and returns what ran.
#pragma once

#include <string>
#include <vector>

enum class CmdReading { Windows, Wine };

struct CmdModelRun {
    // Every command but "ping", in order: "<pings made before it>: <command
    // as written, surrounding blanks removed>".
    std::vector<std::wstring> commands;
    int pauses = 0;      // pings made in all
    std::wstring error;  // empty when the line was read and run
};

CmdModelRun RunCmdModel(const std::wstring& parameters, CmdReading reading, const std::wstring& lockPath,
                        int lockGoneAfterPauses);
