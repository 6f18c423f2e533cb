// The print preview: the pages 印刷開始 would print, drawn by the same print
// routines, the first as soon as the window opens and the others as they are
// turned to, zoomable, with a button that prints them.
#pragma once
#include "previewpages.h"

#include <QDialog>

class QLabel;
class QScrollArea;
class QTimer;

namespace rz {

class PrintPreview : public QDialog {
    Q_OBJECT
public:
    PrintPreview(const RenderPages &render, const PrintOptions &options, QWidget *parent = nullptr);
    ~PrintPreview() override;

    // True when the user chose to print from the preview.
    bool printChosen() const { return printChosen_; }
    int pageCount() { return pages_.count(); }
    int currentPage() const { return current_; }
    void setCurrentPage(int page);
    PreviewPages &pages() { return pages_; }
    // The page on the screen, as drawn.
    QImage shownPage() const { return shown_; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class Fit { Page, Width, None };
    double dpi() const;
    void showPage();
    void showPageNumber();
    void zoom(double factor);
    void fit(Fit how);

    PreviewPages pages_;
    int current_ = 1;
    Fit fit_ = Fit::Page;
    double dpi_ = 0;  // when not fitted
    QScrollArea *area_ = nullptr;
    QLabel *page_ = nullptr;
    QLabel *pageLabel_ = nullptr;
    QTimer *redraw_ = nullptr;
    QImage shown_;
    bool printChosen_ = false;
};

}  // namespace rz
