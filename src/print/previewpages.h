// The pages of a printout as the preview shows them. A page is drawn when
// it is looked at: the print routines run again from the start, the pages
// before it are laid out without being drawn, it and its neighbours are
// drawn, and the run stops there. A few drawn pages are kept, so memory
// stays the same however many pages the printout has, and the first page
// shows as soon as it is drawn, whatever follows it.
#pragma once
#include "painterdevice.h"
#include "printoptions.h"

#include <QImage>
#include <functional>
#include <list>
#include <optional>

namespace rz {

// Draws the printout the dialog's choices describe on a device.
using RenderPages = std::function<void(PrintDevice &device, const PrintOptions &options)>;

class PreviewPages : public PageSink {
public:
    // At most keptPages drawn pages are kept, fewer when they take more than
    // keptBytes: the pages around the one shown, which a page turn draws.
    PreviewPages(RenderPages render, PrintOptions options, int keptPages = 6, qint64 keptBytes = qint64(48) << 20);

    // Page n (from 1) drawn at dpi pixels per inch of paper, with its
    // neighbours unless asked not to (a page turn then finds them drawn); a
    // null image when the printout has no page n.
    QImage page(int n, double dpi, bool neighbours = true);
    // The number of pages; runs the routines to the end when not known yet,
    // drawing the pages after page `after` on the way when a dpi is given.
    int count(int after = 0, double dpi = 0);
    std::optional<int> knownCount() const { return count_; }
    // The paper of the pages drawn so far, in inches; before any, as the options choose it.
    QSizeF paperInches() const;

    int runs() const { return runs_; }    // of the print routines so far
    int drawn() const { return drawn_; }  // pages drawn so far
    int keptPages() const { return int(kept_.size()); }

    const QPaintDevice *measuringDevice() const override { return &measuring_; }
    QPainter *beginPage(int page, const QPageLayout &layout) override;
    void endPage(int page) override;
    bool draws(int page) const override;

private:
    struct Drawn {
        int page;
        double dpi;
        QImage image;
    };
    const Drawn *find(int n, double dpi);  // and marks it as the one used last
    bool kept(int n, double dpi) const;
    // One run of the routines, drawing the pages first..last not kept yet;
    // it stops after last unless toEnd.
    void run(int first, int last, double dpi, bool toEnd);

    RenderPages render_;
    PrintOptions options_;
    int keptPages_;
    qint64 keptBytes_;
    QImage measuring_;
    std::list<Drawn> kept_;  // the one used last first
    std::optional<int> count_;
    QPageLayout layout_;
    bool laidOut_ = false;
    int runs_ = 0;
    int drawn_ = 0;
    int asked_ = 0;  // the page asked for last: the pages drawn with the next lie the way the reader goes
    // The run going on.
    int first_ = 0, last_ = 0;
    double dpi_ = 0;
    bool toEnd_ = false;
    QImage drawing_;
    QPainter painter_;
};

}  // namespace rz
