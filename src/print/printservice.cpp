#include "printservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cups/cups.h>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

namespace rz {

namespace {
PrinterList cupsPrinters()
{
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    PrinterList list;
    // No printers at all is an answer ("No destinations added."); a server
    // error or no connection is not.
    if (count == 0 && cupsLastError() >= IPP_STATUS_ERROR_INTERNAL) {
        list.answer = PrinterList::Answer::Unreachable;
        list.detail = QString::fromUtf8(cupsLastErrorString());
        return list;
    }
    list.answer = PrinterList::Answer::Printers;
    for (int i = 0; i < count; ++i) {
        const cups_dest_t &d = dests[i];
        QString id = QString::fromLocal8Bit(d.name);
        if (d.instance)
            id += u'/' + QString::fromLocal8Bit(d.instance);
        if (d.is_default)
            list.names.prepend(id);
        else
            list.names.append(id);
        const char *accepting = cupsGetOption("printer-is-accepting-jobs", d.num_options, d.options);
        if (accepting && std::strcmp(accepting, "false") == 0)
            list.refusing << id;
    }
    cupsFreeDests(count, dests);
    return list;
}

QString cupsSubmit(const PrintJobFile &job)
{
    const QByteArray name = job.printer.section(u'/', 0, 0).toLocal8Bit();
    const QByteArray instance = job.printer.section(u'/', 1).toLocal8Bit();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return QString::fromUtf8(cupsLastErrorString());
    // The options kept for the printer (or its instance), as the system's
    // own print commands use them, and the paper of the printout.
    cups_option_t *options = nullptr;
    int count = 0;
    for (int i = 0; i < dest->num_options; ++i)
        count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
    count = cupsAddOption("media", job.paper == PaperSize::A4 ? "iso_a4_210x297mm" : "jis_b5_182x257mm", count, &options);
    const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, QFile::encodeName(job.path).constData(),
                                  job.title.toUtf8().constData(), count, options);
    const QString reason = id > 0 ? QString() : QString::fromUtf8(cupsLastErrorString());
    cupsFreeOptions(count, options);
    cupsFreeDests(1, dest);
    return reason.isEmpty() && id <= 0 ? QStringLiteral("(no job)") : reason;
}

PrintService *replacement = nullptr;
}  // namespace

PrintServiceCalls cupsServiceCalls()
{
    return {cupsPrinters, cupsSubmit};
}

struct PrintService::Guard {
    std::mutex mutex;
    PrintService *owner = nullptr;
};

PrintService::PrintService(PrintServiceCalls calls, int answerMs, int jobMs)
    : guard_(std::make_shared<Guard>()), calls_(std::move(calls)), answerMs_(answerMs), jobMs_(jobMs)
{
    guard_->owner = this;
}

PrintService::~PrintService()
{
    std::lock_guard<std::mutex> lock(guard_->mutex);
    guard_->owner = nullptr;
}

PrintService &PrintService::program()
{
    if (replacement)
        return *replacement;
    static PrintService system;
    return system;
}

void PrintService::setProgram(PrintService *service)
{
    replacement = service;
}

void PrintService::lookUp()
{
    // A service that hangs keeps its question for minutes: one is enough.
    if (asking_)
        return;
    asking_ = awaiting_ = true;
    const int question = ++question_;
    std::thread([guard = guard_, list = calls_.listPrinters] {
        PrinterList answer;
        try {
            answer = list();
        } catch (const std::exception &e) {
            answer.answer = PrinterList::Answer::Unreachable;
            answer.detail = QString::fromUtf8(e.what());
        }
        std::lock_guard<std::mutex> lock(guard->mutex);
        if (PrintService *owner = guard->owner)
            QMetaObject::invokeMethod(owner, [owner, answer] { owner->answered(answer); }, Qt::QueuedConnection);
    }).detach();
    QTimer::singleShot(answerMs_, this, [this, question] {
        if (question == question_ && awaiting_)
            timedOut();
    });
}

void PrintService::answered(const PrinterList &printers)
{
    asking_ = awaiting_ = false;
    printers_ = printers;
    emit printersKnown(printers_);
}

void PrintService::timedOut()
{
    awaiting_ = false;
    printers_ = PrinterList{};
    printers_.answer = PrinterList::Answer::NoAnswer;
    emit printersKnown(printers_);
}

QString PrintService::submit(const PrintJobFile &job)
{
    auto done = std::make_shared<std::promise<QString>>();
    std::future<QString> reason = done->get_future();
    std::thread([call = calls_.submit, job, done] {
        QString r;
        try {
            r = call(job);
        } catch (const std::exception &e) {
            r = QString::fromUtf8(e.what());
        }
        QFile::remove(job.path);
        done->set_value(r);
    }).detach();
    QElapsedTimer waited;
    waited.start();
    while (reason.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        if (waited.elapsed() >= jobMs_)
            return QStringLiteral("印刷サービスが応答しません。印刷されたかどうか、プリンタで確かめてください。");
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    const QString r = reason.get();
    if (r.isEmpty())
        return {};
    return QStringLiteral("プリンタ「%1」が印刷を受け付けませんでした。何も印刷されていません。\n%2").arg(job.printer, r);
}

}  // namespace rz
