#include "frmlstopt.h"

#include "ui/grid.h"

#include "store/sjis.h"
#include "ui/uifonts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEventLoop>
#include <QComboBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace rz {

namespace {
QFont companyFont()
{
    const QStringList installed = QFontDatabase::families();
    for (const char *f : {"ＭＳ Ｐ明朝", "MS PMincho", "IPAPMincho", "IPAMincho"}) {
        if (installed.contains(QString::fromUtf8(f))) {
            QFont font(QString::fromUtf8(f));
            font.setPointSizeF(11.25);
            return font;
        }
    }
    QFont font;
    font.setPointSizeF(11.25);
    return font;
}

constexpr int kOptionWidth = 1455, kOptionHeight = 300;
// 表紙（詳細） takes a third row in the kind frame, under 表紙 and clear of the
// date box beside it; the frames and controls below move down by as much.
constexpr int kDetailRow = 360;
}  // namespace

QRadioButton *FrmLstOpt::option(QGroupBox *frame, const QString &name, const QString &caption, int left, int top)
{
    auto *b = new QRadioButton(caption, frame);
    b->setObjectName(name);
    b->setGeometry(twipsRect(left, top, kOptionWidth, kOptionHeight));
    return b;
}

FrmLstOpt::FrmLstOpt(Shared &shared, QWidget *parent, const QDate &today, PrintService &service)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::CustomizeWindowHint),
      shared_(shared), service_(service)
{
    setObjectName(QStringLiteral("FrmLstOpt"));
    setWindowTitle(QStringLiteral("印刷オプション"));
    setFixedSize(twipsToPixels(7050), twipsToPixels(3960 + kDetailRow));
    // A fixed single border with a close box only: no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(buttonFont());

    struct FrameDef {
        const char *caption;
        int left, top, width, height;
    };
    constexpr int d = kDetailRow;
    static const FrameDef frames[7] = {
        {"印刷種別", 120, 120, 3375, 975 + d},       {"印刷範囲", 3600, 120, 3375, 975 + d},
        {"数量印刷", 120, 1200 + d, 3375, 615},      {"単価 金額　印刷", 3600, 1200 + d, 3375, 615},
        {"備考印刷", 120, 1920 + d, 3375, 615},      {"印刷書式", 3600, 1920 + d, 3375, 615},
        {"会社名", 120, 2640 + d, 3375, 735},
    };
    for (int i = 0; i < 7; ++i) {
        const FrameDef &f = frames[i];
        Frame1[i] = new QGroupBox(QString::fromUtf8(f.caption), this);
        Frame1[i]->setObjectName(QStringLiteral("Frame1_%1").arg(i));
        Frame1[i]->setGeometry(twipsRect(f.left, f.top, f.width, f.height));
    }

    const QString names1[3] = {QStringLiteral("見積"), QStringLiteral("見積＋予算"), QStringLiteral("表紙")};
    const QString names2[3] = {QStringLiteral("内訳＋明細"), QStringLiteral("内訳"), QStringLiteral("表示画面")};
    const int lefts[3] = {360, 1920, 360}, tops[3] = {240, 240, 600};
    for (int i = 0; i < 3; ++i) {
        OptLst1[i] = option(Frame1[0], QStringLiteral("OptLst1_%1").arg(i), names1[i], lefts[i], tops[i]);
        OptLst2[i] = option(Frame1[1], QStringLiteral("OptLst2_%1").arg(i), names2[i], lefts[i], tops[i]);
    }
    OptLst1[3] = option(Frame1[0], QStringLiteral("OptLst1_3"), QStringLiteral("表紙（詳細）"), 360, 600 + d);
    const QString yesNo[2] = {QStringLiteral("する"), QStringLiteral("しない")};
    for (int i = 0; i < 2; ++i) {
        OptLst3[i] = option(Frame1[2], QStringLiteral("OptLst3_%1").arg(i), yesNo[i], lefts[i], 240);
        OptLst4[i] = option(Frame1[3], QStringLiteral("OptLst4_%1").arg(i), yesNo[i], lefts[i], 240);
        OptLst5[i] = option(Frame1[4], QStringLiteral("OptLst5_%1").arg(i), yesNo[i], lefts[i], 240);
    }
    OptLst5[3] = option(Frame1[5], QStringLiteral("OptLst5_3"), QStringLiteral("Ｂ５横"), 360, 240);
    OptLst5[2] = option(Frame1[5], QStringLiteral("OptLst5_2"), QStringLiteral("Ａ４横"), 1920, 240);

    // One group per frame: the shared OptLst5 array holds two of them.
    const std::array<std::vector<QRadioButton *>, 6> members = {{
        {OptLst1[0], OptLst1[1], OptLst1[2], OptLst1[3]},
        {OptLst2[0], OptLst2[1], OptLst2[2]},
        {OptLst3[0], OptLst3[1]},
        {OptLst4[0], OptLst4[1]},
        {OptLst5[0], OptLst5[1]},
        {OptLst5[2], OptLst5[3]},
    }};
    for (size_t g = 0; g < members.size(); ++g) {
        groups_[g] = new QButtonGroup(this);
        for (QRadioButton *b : members[g])
            groups_[g]->addButton(b);
    }
    OptLst1[0]->setChecked(true);
    OptLst2[0]->setChecked(true);
    OptLst3[0]->setChecked(true);
    OptLst4[0]->setChecked(true);
    OptLst5[0]->setChecked(true);
    OptLst5[3]->setChecked(true);

    TxtDate = new QLineEdit(this);
    TxtDate->setObjectName(QStringLiteral("TxtDate"));
    TxtDate->setGeometry(twipsRect(1680, 720, 1575, 270));
    TxtDate->setFont(gridFont());
    TxtDate->setText(heiseiDate(today));
    TxtDate->hide();

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(240, 2895 + d, 3135, 375));
    Text1->setFont(companyFont());
    Text1->setText(shared_.Co_Name);
    Text1->installEventFilter(this);

    Label2 = new QLabel(QStringLiteral("開始ページNo."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(5040, 2640 + d, 1335, 255));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setFont(gridFont());

    TxtPno = new QLineEdit(QStringLiteral("1"), this);
    TxtPno->setObjectName(QStringLiteral("TxtPno"));
    TxtPno->setGeometry(twipsRect(6480, 2640 + d, 375, 270));
    TxtPno->setAlignment(Qt::AlignRight);

    // The printer in the place of the buttons, which move down a line to
    // make room for プレビュー beside 印刷開始.
    LblPrinter = new QLabel(QStringLiteral("プリンタ"), this);
    LblPrinter->setGeometry(twipsRect(3600, 3045 + d, 600, 255));
    CboPrinter = new QComboBox(this);
    CboPrinter->setObjectName(QStringLiteral("CboPrinter"));
    CboPrinter->setGeometry(twipsRect(4260, 3000 + d, 2715, 345));
    LblPrinterState = new QLabel(this);
    LblPrinterState->setObjectName(QStringLiteral("LblPrinterState"));
    LblPrinterState->setGeometry(twipsRect(4260, 3045 + d, 2715, 255));

    cmdPreview = new QPushButton(QStringLiteral("プレビュー"), this);
    cmdPreview->setObjectName(QStringLiteral("cmdPreview"));
    cmdPreview->setGeometry(twipsRect(1920, 3480 + d, 1695, 375));
    cmdPreview->setAutoDefault(false);
    cmdPreview->hide();
    cmdOK = new QPushButton(QStringLiteral("印刷開始"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(3600, 3480 + d, 1695, 375));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(twipsRect(5280, 3480 + d, 1695, 375));
    // Enter confirms wherever the focus is.
    cmdCancel->setAutoDefault(false);

    // Controls that lie over a frame are drawn above it.
    TxtDate->raise();
    Text1->raise();

    for (int i = 0; i < 4; ++i)
        connect(OptLst1[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                OptLst1_Click(i);
        });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });

    connect(CboPrinter, &QComboBox::currentTextChanged, this, [this](const QString &name) {
        if (!filling_)
            chosen_ = name;
    });
    // The last answer at once, the current one when it comes.
    connect(&service_, &PrintService::printersKnown, this, &FrmLstOpt::showPrinters);
    service_.lookUp();
    showPrinters(service_.printers());
}

void FrmLstOpt::showPrinters(const PrinterList &printers)
{
    using A = PrinterList::Answer;
    filling_ = true;
    CboPrinter->clear();
    CboPrinter->addItems(printers.names);
    if (printers.names.contains(chosen_))
        CboPrinter->setCurrentText(chosen_);
    filling_ = false;
    // One printer or none: nothing to choose; the row says where the pages go.
    const bool choice = printers.names.size() > 1;
    CboPrinter->setVisible(choice);
    LblPrinterState->setVisible(!choice);
    QString state;
    if (service_.awaiting())
        state = QStringLiteral("確認しています…");
    else if (printers.answer == A::NoAnswer)
        state = QStringLiteral("印刷サービスが応答しません");
    else if (printers.answer == A::Unreachable)
        state = QStringLiteral("印刷サービスに接続できません");
    else if (printers.names.isEmpty())
        state = QStringLiteral("ありません");
    else
        state = printers.names.first();
    LblPrinterState->setText(state);
    LblPrinterState->setToolTip(printers.hasPrinters() || service_.awaiting() ? QString()
                                                                              : QStringLiteral("印刷開始でPDFファイルに出力します"));
}

void FrmLstOpt::setPreview(RenderPages render)
{
    render_ = std::move(render);
    cmdPreview->setVisible(bool(render_));
}

void FrmLstOpt::cmdPreview_Click()
{
    if (!render_)
        return;
    // The pages as 印刷開始 would print them, company name included.
    shared_.Co_Name = Text1->text();
    PrintPreview preview(render_, options(), this);
    showPreview(preview);
    if (preview.printChosen())
        cmdOK_Click();
}

FrmLstOpt::~FrmLstOpt() = default;

bool FrmLstOpt::canStartSubLevels(const QString &flg, bool inputRow)
{
    return !inputRow && MidBAnsi(flg, 1, 1) != QLatin1String("-") && MidBAnsi(flg, 2, 1) != QLatin1String("x");
}

void FrmLstOpt::prepareForIndex()
{
    OptLst2[2]->hide();
}

void FrmLstOpt::prepareForEditor(bool rowCanStartSubLevels)
{
    OptLst1[2]->hide();
    OptLst1[3]->hide();
    OptLst2[2]->show();
    OptLst2[2]->setEnabled(true);
    if (!rowCanStartSubLevels) {
        OptLst2[0]->setEnabled(false);
        OptLst2[1]->setEnabled(false);
    }
}

PrintOptions FrmLstOpt::options() const
{
    PrintOptions o;
    o.kind = OptLst1[2]->isChecked()   ? PrintKind::Cover
             : OptLst1[3]->isChecked() ? PrintKind::CoverDetail
             : OptLst1[0]->isChecked() ? PrintKind::Estimate
                                       : PrintKind::EstimateBudget;
    o.range = OptLst2[2]->isChecked() ? PrintRange::Screen : OptLst2[1]->isChecked() ? PrintRange::Top : PrintRange::Full;
    o.quantities = !OptLst3[1]->isChecked();
    o.prices = !OptLst4[1]->isChecked();
    o.remarks = OptLst5[0]->isChecked();
    o.paper = OptLst5[3]->isChecked() ? PaperSize::B5 : PaperSize::A4;
    o.startPageText = TxtPno->text();
    o.companyName = Text1->text();
    o.printers = service_.printers();
    if (o.printers.hasPrinters())
        o.printerName = chosen_.isEmpty() ? o.printers.names.first() : chosen_;
    return o;
}

void FrmLstOpt::OptLst1_Click(int index)
{
    // The cover needs only the kind, the prices frame, the paper and the date;
    // the detailed cover takes its date from the estimate's conditions.
    const bool list = index < 2;
    for (int f : {1, 2, 4, 6})
        Frame1[f]->setVisible(list);
    TxtDate->setVisible(index == 2);
    TxtPno->setVisible(list);
}

void FrmLstOpt::Text1_LostFocus()
{
    shared_.Co_Name = Text1->text();
}

void FrmLstOpt::cmdOK_Click()
{
    // The printers as they are now: the one chosen may have gone meanwhile.
    // The service's answer is awaited (a few seconds at most) with the
    // window repainting; it decides between the printer and a PDF file.
    if (chosen_.isEmpty())
        chosen_ = service_.printers().names.value(0);
    service_.lookUp();
    if (service_.awaiting()) {
        showPrinters(service_.printers());
        QApplication::setOverrideCursor(Qt::BusyCursor);
        setEnabled(false);
        QEventLoop wait;
        connect(&service_, &PrintService::printersKnown, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
    cmdOKTag = QStringLiteral("True");
    shared_.Co_Name = Text1->text();
    done(QDialog::Accepted);
}

void FrmLstOpt::cmdCancel_Click()
{
    cmdOKTag = QStringLiteral("False");
    done(QDialog::Rejected);
}

void FrmLstOpt::keyPressEvent(QKeyEvent *event)
{
    // Esc does nothing here: only キャンセル and the close box cancel.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmLstOpt::closeEvent(QCloseEvent *event)
{
    // The close box cancels and hides; the caller still reads the dialog.
    event->ignore();
    cmdOKTag = QStringLiteral("False");
    done(QDialog::Rejected);
}

void FrmLstOpt::showEvent(QShowEvent *event)
{
    if (QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    QDialog::showEvent(event);
}

bool FrmLstOpt::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::FocusOut)
        Text1_LostFocus();
    return QDialog::eventFilter(watched, event);
}

}  // namespace rz
