#pragma once

// Windows only. A console shows the program's text by its output code page;
// set to UTF-8 while the program runs, it shows the UTF-8 the program writes,
// paths of any characters included. The code page the console had is given
// back when the program ends, by Ctrl+C or by closing the window too. Output
// that goes to a file or a pipe is left as it is.
void Console_Use_Utf8();
