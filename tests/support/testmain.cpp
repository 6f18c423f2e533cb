// Runs every registered test class (or the ones named on the command line)
// inside one QApplication, with HOME and the XDG folders in a fresh temporary
// folder so that settings and data files never leak between runs.
#include "testmain.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <exception>
#include <memory>
#include <vector>

namespace rztest {
struct Entry {
    const char *name;
    Factory factory;
};
static std::vector<Entry> &registry()
{
    static std::vector<Entry> entries;
    return entries;
}
int registerTest(const char *name, Factory factory)
{
    registry().push_back({name, std::move(factory)});
    return static_cast<int>(registry().size());
}
}  // namespace rztest

int main(int argc, char **argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);

    // Arguments that name a registered class select it; the rest go to QTest.
    std::vector<QByteArray> chosen;
    std::vector<char *> qtestArgs{argv[0]};
    for (int i = 1; i < argc; ++i) {
        bool isClass = false;
        for (const auto &e : rztest::registry())
            if (qstrcmp(e.name, argv[i]) == 0)
                isClass = true;
        if (isClass)
            chosen.emplace_back(argv[i]);
        else
            qtestArgs.push_back(argv[i]);
    }
    int failed = 0;
    int ran = 0;
    for (const auto &e : rztest::registry()) {
        if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), QByteArray(e.name)) == chosen.end())
            continue;
        std::unique_ptr<QObject> obj(e.factory());
        try {
            failed += QTest::qExec(obj.get(), static_cast<int>(qtestArgs.size()), qtestArgs.data());
        } catch (const std::exception &e) {  // QTest has reported the case a throw ended; the other classes still run
            qWarning("thrown: %s", e.what());
            ++failed;
        }
        ++ran;
    }
    if (ran == 0)
        return 3;
    return failed == 0 ? 0 : 1;
}
