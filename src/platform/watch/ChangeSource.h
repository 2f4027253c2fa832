#pragma once
// ChangeSource: the changes of one folder as something other than the
// kernel's inotify reports them.
//
// inotify sees what is done through the kernel on this machine only: on
// GVfs's FUSE bridge, the changes others make on the server never show.
// Where a backend can watch a folder itself (GIO's directory monitors), the
// layer that knows it installs a factory here, and the change watch
// (ChangeWatch.h) takes the source's changes instead of inotify's, with the
// same settling and the same events to its receiver.
//
// A source runs on its own: it collects changes from wherever they come,
// and makes Descriptor() readable while some wait, so that the watch's
// thread can sleep in poll() on it as it does on an inotify descriptor.
//
// Thread safety: a source is made on the thread that starts the watch
// (without blocking it: a backend's answer is waited for on the source's
// own time), Take() is called on the watch's thread, the destructor on the
// thread that stops the watch. The factory may be called from any thread.

#include <QByteArray>
#include <memory>
#include <vector>

class ChangeSource {
public:
    struct Change {
        enum class Kind {
            /// An entry made, deleted or renamed (`name` its name).
            Name,
            /// An entry written or changed in its attributes.
            Content,
            /// The folder itself went (deleted, moved away, unmounted): no
            /// more changes will come.
            Gone,
            /// The backend can't watch the folder after all: no changes
            /// will come, and none is lost.
            Unavailable,
        };
        Kind kind = Kind::Name;
        QByteArray name;  // raw bytes, no path; Name and Content only
    };

    virtual ~ChangeSource() = default;
    /// A descriptor that polls readable while changes wait.
    virtual int Descriptor() const = 0;
    /// The changes since the last call, in the order seen; the descriptor
    /// stops being readable until more come.
    virtual std::vector<Change> Take() = 0;
};

/// Gives a source for the folder `path` (absolute, raw bytes), or nullptr
/// when the factory serves no source for it.
using ChangeSourceFactory = std::unique_ptr<ChangeSource> (*)(const QByteArray& path);

/// Installs the factory (nullptr: none). Meant to be called once at
/// start-up, before folders are watched.
void SetChangeSourceFactory(ChangeSourceFactory factory);

/// The installed factory's source for `path`; nullptr without one.
std::unique_ptr<ChangeSource> OpenChangeSource(const QByteArray& path);
