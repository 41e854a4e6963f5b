#pragma once
// The entry point of velumira-info's --focus module: prints each named picture's
// sharpness figure (or its failure on stderr) and returns the exit status, 0 or 1.
extern "C" int VelumiraInfoFocus(int count, char** names);
using TVelumiraInfoFocus = int (*)(int count, char** names);

// The module's file name: beside velumira-info in the build tree, in
// <prefix>/lib/velumira/ once installed.
#define VELUMIRA_INFO_FOCUS_MODULE "velumira-info-focus.so"
