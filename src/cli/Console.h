// The terminal the command line writes to.
#pragma once

namespace quillot::cli {

// Makes the console show the program's UTF-8 output as written: a Windows console otherwise takes the
// bytes in its own code page. Nothing to do on Linux.
void PrepareConsole();

}  // namespace quillot::cli
