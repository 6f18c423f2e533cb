// The system's print service as the windows meet it: which printers there
// are, and handing a finished printout to one of them. A service that hangs
// or a network printer out of reach answers only after minutes, so nothing
// here waits for it on the window's thread without a bound.
#pragma once
#include "printoptions.h"

#include <QObject>
#include <functional>
#include <memory>

namespace rz {

// A printout written as a PDF file, to be handed to a printer.
struct PrintJobFile {
    QString printer;
    QString path;
    QString title;
    PaperSize paper = PaperSize::B5;
};

// The calls that may block; tests replace them by ones that hang or refuse.
struct PrintServiceCalls {
    std::function<PrinterList()> listPrinters;
    // "" when the printer took the job, else the service's reason.
    std::function<QString(const PrintJobFile &job)> submit;
};
// The calls to the CUPS service of the system.
PrintServiceCalls cupsServiceCalls();

class PrintService : public QObject {
    Q_OBJECT
public:
    explicit PrintService(PrintServiceCalls calls = cupsServiceCalls(), int answerMs = 3000, int jobMs = 60000);
    ~PrintService() override;

    // The service the windows use; tests put one of their own in its place
    // (nullptr puts the system's back).
    static PrintService &program();
    static void setProgram(PrintService *service);

    // Asks for the printers in the background, unless a question is still
    // out. printersKnown follows with the answer, or with NoAnswer once the
    // service has been silent for answerMs, and again when it answers late.
    void lookUp();
    // The last answer; Pending before the first.
    const PrinterList &printers() const { return printers_; }
    // A question is out and its time has not run out yet.
    bool awaiting() const { return awaiting_; }

    // Hands the file to its printer and waits at most jobMs, the window
    // repainting but taking no input. Returns "" when the printer took the
    // job, else what went wrong in the user's words, the service's own
    // words on a second line. The file is removed afterwards.
    QString submit(const PrintJobFile &job);

signals:
    void printersKnown(const PrinterList &printers);

private:
    void answered(const PrinterList &printers);
    void timedOut();

    struct Guard;
    std::shared_ptr<Guard> guard_;  // lets a late answer find out this object is gone
    PrintServiceCalls calls_;
    int answerMs_, jobMs_;
    PrinterList printers_;
    bool asking_ = false;
    bool awaiting_ = false;
    int question_ = 0;
};

}  // namespace rz
