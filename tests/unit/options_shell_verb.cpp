// options_shell_verb FILE VERB: lets the shell run VERB on FILE, as choosing
// the verb in a shortcut's context menu does, and waits for the started
// process. Exit code 0 when the shell started one.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = argv[2];
    info.lpFile = argv[1];
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info) || !info.hProcess) return 1;
    WaitForSingleObject(info.hProcess, 30000);
    CloseHandle(info.hProcess);
    return 0;
}
