// The print options dialog "印刷オプション": what to print, how much of the
// tree, which columns, the paper, the company name and the first page number.
// It prints nothing itself; the caller reads options() after it has closed.
#pragma once
#include "printoptions.h"
#include "printpreview.h"
#include "printservice.h"
#include "store/shared.h"

#include <QDate>
#include <QDialog>
#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace rz {

class FrmLstOpt : public QDialog {
    Q_OBJECT
public:
    // The dialog opens at once; the printers it offers arrive from the print
    // service when it answers.
    explicit FrmLstOpt(Shared &shared, QWidget *parent = nullptr, const QDate &today = QDate::currentDate(),
                       PrintService &service = PrintService::program());
    ~FrmLstOpt() override;

    // The caller's side of the protocol. The index window hides 表示画面.
    void prepareForIndex();
    // The editor hides 表紙, offers 表示画面 and, when its current row cannot
    // start a printout of sub-levels, disables 内訳＋明細 and 内訳.
    void prepareForEditor(bool rowCanStartSubLevels);
    // A row can start one when byte 1 of flg is not "-", byte 2 is not "x"
    // and it is not the input row.
    static bool canStartSubLevels(const QString &flg, bool inputRow);

    // How the caller prints what the dialog describes; with it the dialog
    // offers プレビュー, which shows those pages before anything is printed.
    void setPreview(RenderPages render);

    // The result: "True" when 印刷開始 was pressed, "False" otherwise.
    QString cmdOKTag = QStringLiteral("False");
    bool confirmed() const { return cmdOKTag == QLatin1String("True"); }
    PrintOptions options() const;

    std::array<QGroupBox *, 7> Frame1{};
    std::array<QRadioButton *, 4> OptLst1{};  // 見積, 見積＋予算, 表紙, 表紙（詳細）
    std::array<QRadioButton *, 3> OptLst2{};  // 内訳＋明細, 内訳, 表示画面
    std::array<QRadioButton *, 2> OptLst3{};  // 数量印刷 する / しない
    std::array<QRadioButton *, 2> OptLst4{};  // 単価 金額 印刷 する / しない
    // 0, 1: 備考印刷 する / しない; 2, 3: Ａ４横 / Ｂ５横 (two groups, one array).
    std::array<QRadioButton *, 4> OptLst5{};
    QLineEdit *TxtDate = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *TxtPno = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdPreview = nullptr;
    QLabel *LblPrinter = nullptr;
    QComboBox *CboPrinter = nullptr;  // shown only when there is a choice
    QLabel *LblPrinterState = nullptr;  // otherwise: the one printer, or why there is none
    // How the preview is shown (modal); replaceable in tests.
    std::function<void(PrintPreview &)> showPreview = [](PrintPreview &p) { p.exec(); };

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OptLst1_Click(int index);
    void Text1_LostFocus();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdPreview_Click();
    void showPrinters(const PrinterList &printers);
    QRadioButton *option(QGroupBox *frame, const QString &name, const QString &caption, int left, int top);

    Shared &shared_;
    PrintService &service_;
    // The printer the user chose, or the one the dialog showed when 印刷開始
    // was pressed; kept when a later answer of the service no longer has it.
    QString chosen_;
    bool filling_ = false;
    std::array<QButtonGroup *, 6> groups_{};
    RenderPages render_;
};

}  // namespace rz
