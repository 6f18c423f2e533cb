// The program's application object. A failure that no procedure caught must
// not leave an event handler (that ends the program): it ends its event as a
// message, logged, and the windows stay alive.
#pragma once
#include <QApplication>
#include <functional>

namespace rz {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}
    bool notify(QObject *receiver, QEvent *event) override;

    // Delivers one event through `deliver`; a failure it lets out is logged
    // and its text given to `show`, and the event counts as not handled.
    static bool deliver(const std::function<bool()> &deliver, const std::function<void(const QString &)> &show);
};

}  // namespace rz
