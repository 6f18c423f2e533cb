// Tells a window that another program committed a change to the store it
// shows, so that its list can be read again: from a server as soon as the
// change is committed (the server's notices on a connection of the watch's
// own), from an estimate file by looking at its change counter twice a
// second. Changes this program makes through another connection count too.
#pragma once
#include <QObject>

namespace rz {

class ChangeWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // Another connection committed a change to the store's list of estimates
    // (on a server) or to the file (an estimate file).
    void changed();
};

}  // namespace rz
