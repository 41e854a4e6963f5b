#pragma once
// Permission bits stop an ordinary user but not the superuser, whom the tests often run as.
// While a FileAccessAsNobody lives, this thread opens files as the user "nobody" would
// (the file-system user id is per thread, and the superuser's override goes with it), so a
// mode-0 file really cannot be read. For an ordinary user the bits already do that.
#include <sys/fsuid.h>
#include <unistd.h>

class FileAccessAsNobody {
public:
    FileAccessAsNobody() : FRoot(::geteuid() == 0)
    {
        if (FRoot)
            ::setfsuid(kNobody);
    }
    ~FileAccessAsNobody()
    {
        if (FRoot)
            ::setfsuid(0);
    }
    FileAccessAsNobody(const FileAccessAsNobody&) = delete;
    FileAccessAsNobody& operator=(const FileAccessAsNobody&) = delete;

    // False when the system refused the change (no CAP_SETUID): the test cannot run.
    bool Active() const { return !FRoot || ::setfsuid(static_cast<uid_t>(-1)) == kNobody; }

private:
    static constexpr int kNobody = 65534;
    bool FRoot;
};
