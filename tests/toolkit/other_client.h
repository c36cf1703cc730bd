// Another program of the desktop acting on the text selection.
#pragma once

// Another program takes PRIMARY, as a second client does on X; under Windows,
// where the one display is the program's own, another owner takes the
// system clipboard. Returns false when it could not.
bool another_program_takes_primary();
