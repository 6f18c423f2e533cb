// The print preview: the pages 印刷開始 would print, drawn by the same print
// routines on the preview's pages, page by page and zoomable, with a button
// that prints them.
#pragma once
#include "printoptions.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPrintPreviewWidget;
class QPrinter;

namespace rz {

class PrintDevice;

// Draws the printout the dialog's choices describe on a device.
using RenderPages = std::function<void(PrintDevice &device, const PrintOptions &options)>;

class PrintPreview : public QDialog {
    Q_OBJECT
public:
    PrintPreview(const RenderPages &render, const PrintOptions &options, QWidget *parent = nullptr);
    ~PrintPreview() override;

    // True when the user chose to print from the preview.
    bool printChosen() const { return printChosen_; }
    int pageCount() const;
    int currentPage() const;
    QPrintPreviewWidget *view() const { return view_; }

private:
    void paint(QPrinter *pages);
    void showPageNumber();

    RenderPages render_;
    PrintOptions options_;
    std::unique_ptr<QPrinter> printer_;
    QPrintPreviewWidget *view_ = nullptr;
    QLabel *pageLabel_ = nullptr;
    bool printChosen_ = false;
};

}  // namespace rz
