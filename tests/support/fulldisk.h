// A full disk for a test: a step run in a child process that sees one folder as a small file system of its own (a private
// tmpfs mount in a mount namespace, with a user namespace where the test does not run as root), filled to the last byte.
#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rztest {

// Runs `step` in a child in which `dir` holds only `files` and no free byte, and gives back the text the step returned;
// nullopt where the system grants no private mount (no user namespaces). A child that takes over 60 s is killed.
inline std::optional<QString> onFullDisk(const QString &dir, const std::map<QString, QByteArray> &files,
                                         const std::function<QString()> &step)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        auto put = [](const char *file, const QByteArray &text) {
            QFile f(QString::fromLatin1(file));
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        const QByteArray where = QFile::encodeName(dir);
        auto mounted = [&] {
            return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                   mount("tmpfs", where.constData(), "tmpfs", 0, "size=64k") == 0;
        };
        if (!(unshare(CLONE_NEWNS) == 0 && mounted()) &&
            !(unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && put("/proc/self/setgroups", "deny") &&
              put("/proc/self/uid_map", QByteArray::number(uid) + ' ' + QByteArray::number(uid) + " 1") &&
              put("/proc/self/gid_map", QByteArray::number(gid) + ' ' + QByteArray::number(gid) + " 1") && mounted()))
            _exit(77);
        for (const auto &[name, bytes] : files)
            if (QFile f(QDir(dir).filePath(name)); !f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
                _exit(78);
        QFile fill(QDir(dir).filePath(QStringLiteral(".fill")));
        fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        for (int chunk = 4096; chunk > 0; chunk /= 2)
            while (fill.write(QByteArray(chunk, 'x')) == chunk) {}
        const QByteArray result = step().toUtf8();
        _exit(write(out[1], result.constData(), size_t(result.size())) == result.size() ? 0 : 79);
    }
    close(out[1]);
    QByteArray result;
    char buf[4096];
    bool late = false;
    for (pollfd p{out[0], POLLIN, 0}; pid > 0;) {
        late = poll(&p, 1, 60000) <= 0;
        const ssize_t n = late ? 0 : read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        result.append(buf, n);
    }
    close(out[0]);
    int status = 0;
    if (late)
        kill(pid, SIGKILL);
    if (pid > 0)
        waitpid(pid, &status, 0);
    if (pid < 0 || (WIFEXITED(status) && WEXITSTATUS(status) == 77))
        return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("(the step ended with status %1)").arg(status);
    return QString::fromUtf8(result);
}

}  // namespace rztest
