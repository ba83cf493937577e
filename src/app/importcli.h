#pragma once
// soarnote --import FILE... [--logbook LOGBOOK]: flight logs into a logbook
// without a window, for scripts (a vario's folder synced after each flight).

namespace soarnote {

// Prints one summary line per file; 0 when no file was refused, 1 when one
// was, 2 for a wrong command line or a logbook that cannot be opened.
int ImportCli(int argc, char* argv[]);

} // namespace soarnote
