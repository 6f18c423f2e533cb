// Reading back the PDF files the print tests write: page count, page size and
// text, through poppler's tools when installed, else from the file itself.
#pragma once
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QStandardPaths>
#include <QString>

namespace rztest {

struct PdfInfo {
    int pages = 0;
    QSizeF pageSize;  // points, of the first page
};

inline PdfInfo pdfInfo(const QString &path)
{
    PdfInfo info;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (!tool.isEmpty()) {
        QProcess p;
        p.start(tool, {path});
        p.waitForFinished(30000);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
        const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(out);
        if (pages.hasMatch())
            info.pages = pages.captured(1).toInt();
        if (size.hasMatch())
            info.pageSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
        return info;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return info;
    const QString data = QString::fromLatin1(f.readAll());
    info.pages = static_cast<int>(data.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
    const auto box = QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([\\d.]+)\\s+([\\d.]+)")).match(data);
    if (box.hasMatch())
        info.pageSize = QSizeF(box.captured(1).toDouble(), box.captured(2).toDouble());
    return info;
}

// The text of the file, or a null string when pdftotext is not installed.
inline QString pdfText(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The font list of the file, or a null string when pdffonts is not installed.
inline QString pdfFonts(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdffonts"));
    if (tool.isEmpty())
        return QString();
    QProcess p;
    p.start(tool, {path});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace rztest
