// A disk that fails a test's writes: a step run in a child process under a file size limit, or seeing one folder as a
// small file system of its own (a tmpfs in its own user and mount namespaces) filled to the last byte.
#pragma once
#include <QFile>

#include <csignal>
#include <functional>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rztest {

// The text `step` returns in a child in which `dir` holds the file `name` with `bytes`, and either no file may grow past
// `sizeLimit` or (0) the folder has no free byte; nullopt where no user namespaces are granted. The child ends after 60 s.
inline std::optional<QString> onFailingDisk(const QString &dir, const QString &name, const QByteArray &bytes, qint64 sizeLimit,
                                            const std::function<QString()> &step)
{
    const QByteArray uid = QByteArray::number(getuid()) + ' ' + QByteArray::number(getuid()) + " 1",
                     gid = QByteArray::number(getgid()) + ' ' + QByteArray::number(getgid()) + " 1";
    int out[2];
    const pid_t pid = pipe(out) == 0 ? fork() : -1;
    if (pid == 0) {
        alarm(60);
        auto put = [](const QString &file, const QByteArray &text, QIODevice::OpenMode mode = QIODevice::WriteOnly) {
            QFile f(file);
            return f.open(mode) && f.write(text) == text.size() && f.flush();
        };
        if (!sizeLimit && (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !put("/proc/self/setgroups", "deny") || !put("/proc/self/uid_map", uid) ||
                           !put("/proc/self/gid_map", gid) || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                           mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k") != 0))
            _exit(77);
        if (!put(dir + '/' + name, bytes))
            _exit(1);
        for (int chunk = 4096; !sizeLimit && chunk > 0; chunk /= 2)
            while (put(dir + "/.fill", QByteArray(chunk, 'x'), QIODevice::Append)) {}
        rlimit limit;
        if (sizeLimit && (getrlimit(RLIMIT_FSIZE, &limit) != 0 || (limit.rlim_cur = rlim_t(sizeLimit), signal(SIGXFSZ, SIG_IGN)) == SIG_ERR ||
                          setrlimit(RLIMIT_FSIZE, &limit) != 0))
            _exit(1);
        const QByteArray result = step().toUtf8();
        _exit(write(out[1], result.constData(), size_t(result.size())) == result.size() ? 0 : 1);
    }
    QFile from;
    int status = 0;
    if (pid < 0 || (close(out[1]), !from.open(out[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)))
        return std::nullopt;
    const QByteArray result = from.readAll();
    if (waitpid(pid, &status, 0) != pid || (WIFEXITED(status) && WEXITSTATUS(status) == 77))
        return std::nullopt;
    return status == 0 ? QString::fromUtf8(result) : QStringLiteral("(the step ended with status %1)").arg(status);
}

}  // namespace rztest
