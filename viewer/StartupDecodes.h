#pragma once
// The start-up names' files decoded on worker threads while the window is being made, so
// that making the window and decoding overlap; the first show's load takes the results
// instead of decoding those files again.
#include "viewer/ViewPanel.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class TStartupDecodes {
public:
    // Starts at once, on up to one thread per core, with the files that the first show's
    // load decodes first and that need no plug-in.
    TStartupDecodes(const QStringList& names, QSize screenSize);
    ~TStartupDecodes();  // waits for the decodes
    TStartupDecodes(const TStartupDecodes&) = delete;
    TStartupDecodes& operator=(const TStartupDecodes&) = delete;

    // Returns when every decode begun here is done.
    void Wait();
    // Moves the decode of name, the index-th name of the load, into `into` (waiting for it);
    // false when it was not decoded here or for another screen size.
    bool Take(int index, const QString& name, QSize screenSize, TDecodedPicture& into);

private:
    struct Job {
        int Index;
        QString Name;
        TDecodedPicture Result;
    };
    void Work();

    QSize FScreenSize;
    std::vector<Job> FJobs;
    std::atomic<std::size_t> FNext{0};
    std::vector<std::thread> FWorkers;
};

inline std::shared_ptr<TStartupDecodes> StartStartupDecodes(const QStringList& names, QSize screenSize)
{
    return std::make_shared<TStartupDecodes>(names, screenSize);
}
