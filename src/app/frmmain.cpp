// Main window.
#include "frmmain.h"

#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "master/frmmaster.h"
#include "store/shared.h"
#include "transfer/frmcpy.h"

#include "appfolders.h"
#include "progresswindow.h"
#include "serverformdialog.h"
#include "settings.h"
#include "version.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace rz {

frmMain::frmMain(Shared &shared, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent), shared_(shared), prompts_(prompts), session_(shared, prompts, *this)
{
    setObjectName(QStringLiteral("frmMain"));
    ++shared_.formsLoaded;
    setWindowTitle(captionText());

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(mdiArea_);

    Pic1 = new QWidget(this);
    Pic1->setObjectName(QStringLiteral("Pic1"));
    auto *row = new QHBoxLayout(Pic1);
    row->setContentsMargins(8, 8, 8, 8);
    const QString captions[] = {QStringLiteral("内訳書作成"), QStringLiteral("編集"), QStringLiteral("最適化"),
                                QStringLiteral("新規作成"), QStringLiteral("終了")};
    for (int i = 0; i < 5; ++i) {
        auto *b = new QPushButton(captions[i], Pic1);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setMinimumSize(120, 40);
        connect(b, &QPushButton::clicked, this, [this, i] { session_.Command1_Click(i); });
        row->addWidget(b);
        Command1[static_cast<size_t>(i)] = b;
    }
    // The unit-price master: kept beside the work buttons, before 終了.
    CmdMaster = new QPushButton(QStringLiteral("単価マスタ"), Pic1);
    CmdMaster->setObjectName(QStringLiteral("CmdMaster"));
    CmdMaster->setMinimumSize(120, 40);
    connect(CmdMaster, &QPushButton::clicked, this, [this] { openMasterWindow(); });
    row->insertWidget(4, CmdMaster);
    row->addStretch(1);
    // The strip above the child windows, as a picture box aligned to the top.
    setMenuWidget(Pic1);

    // The master the settings name, or the user's own, made when first needed.
    master_ = std::make_shared<MasterCatalog>();
    const QString chosen = readMasterLocation(*openUserSettings());
    if (chosen.isEmpty())
        master_->setLocation(QDir(perUserDataFolder()).filePath(QStringLiteral("単価マスタ.mdb")), true);
    else
        master_->setLocation(chosen, false);
}

frmMain::~frmMain() { --shared_.formsLoaded; }

QString frmMain::captionText()
{
    return applicationTitle() + QStringLiteral(" Version ") + versionText();
}

void frmMain::restorePlacement(QSettings &settings, const QSize &screenPixels)
{
    const QRect r = toPixels(readMainGeometry(settings, screenSizeInTwips(screenPixels)));
    resize(r.size());
    move(r.topLeft());
}

void frmMain::restorePlacement()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    auto settings = openUserSettings();
    restorePlacement(*settings, screen ? screen->size() : QSize(1024, 768));
}

void frmMain::savePlacement(QSettings &settings) const
{
    saveMainWindowPlacement(settings, windowState(), QRect(pos(), size()));
}

void frmMain::setButtonsVisible(bool visible)
{
    Pic1->setVisible(visible);
}

void frmMain::placeChild(QMdiSubWindow *sub)
{
    // A child opened while the one in front is maximised opens maximised too;
    // otherwise at the top left in the size of its design.
    if (!sub->isMaximized())
        sub->setGeometry(0, 0, sub->sizeHint().width(), sub->sizeHint().height());
}

void frmMain::openIndexWindow()
{
    auto *index = new FrmUidx(shared_, prompts_);
    QMdiSubWindow *sub = mdiArea_->addSubWindow(index);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(index, &FrmUidx::closed, this, [this] {
        setButtonsVisible(true);
        Command1[0]->setFocus();
    });
    index->editorOpener = [this, index, sub](const U1Opening &opening, const QString &caption) {
        return openEditorWindow(index, sub, opening, caption);
    };
    index->session().issuerDefaults = {[] { return readDefaultIssuer(*openUserSettings()); },
                                       [](const Issuer &i) { writeDefaultIssuer(*openUserSettings(), i); }};
    sub->show();
    placeChild(sub);
    if (!index->start()) {
        // The file could not be opened (the message was shown): nothing to list.
        sub->close();
        setButtonsVisible(true);
        return;
    }
    index->focusGrid();
}

bool frmMain::openEditorWindow(FrmUidx *index, QMdiSubWindow *indexSub, const U1Opening &opening,
                               const QString &caption)
{
    auto *editor = new frmU1(shared_, prompts_, opening);
    editor->setWindowTitle(caption);
    editor->session().master().setCatalog(master_);
    QMdiSubWindow *sub = mdiArea_->addSubWindow(editor);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // Back in the index window the editor's totals go into the estimate's
    // record, whichever way the editor was closed.
    QPointer<FrmUidx> idx(index);
    QPointer<QMdiSubWindow> idxSub(indexSub);
    editor->onClosed = [this, idx, idxSub](const U1Closing &closing) {
        if (!idx)
            return;
        if (idxSub)
            mdiArea_->setActiveSubWindow(idxSub);
        idx->session().editorClosed(closing);
    };
    sub->show();
    placeChild(sub);
    if (!editor->start()) {
        sub->close();
        return false;
    }
    editor->setFocus();
    return true;
}

frmMaster *frmMain::openMasterWindow()
{
    if (masterSub_) {
        mdiArea_->setActiveSubWindow(masterSub_);
        return static_cast<frmMaster *>(masterSub_->widget());
    }
    auto *window = new frmMaster(*master_, prompts_);
    window->session().locationChosen = [](const QString &location) { writeMasterLocation(*openUserSettings(), location); };
    masterSub_ = mdiArea_->addSubWindow(window);
    masterSub_->setAttribute(Qt::WA_DeleteOnClose);
    connect(masterSub_, &QObject::destroyed, this, [this] { masterSub_ = nullptr; });
    // Back in front: what was registered from an estimate meanwhile (or by
    // another user) shows; an unchanged master is not read again.
    connect(mdiArea_, &QMdiArea::subWindowActivated, window, [this, window](QMdiSubWindow *sub) {
        if (sub && sub == masterSub_)
            window->session().load();
    });
    masterSub_->show();
    masterSub_->resize(window->sizeHint().expandedTo(QSize(900, 520)));
    window->start();
    return window;
}

void frmMain::openTransferWindow()
{
    frmCpy window(shared_, prompts_, this);
    if (window.start())
        window.exec();
}

void frmMain::closeAll()
{
    close();
}

std::optional<ServerLocation> frmMain::askServerLocation(const ServerForm &proposed)
{
    return rz::askServerLocation(this, proposed);
}

ConversionProgress frmMain::conversionProgress()
{
    return conversionProgressWindow(this);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Children close last to first; one that refuses (work not yet written
    // back) keeps the program open.
    const QList<QMdiSubWindow *> children = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        if (!(*it)->close()) {
            event->ignore();
            return;
        }
    }
    auto settings = openUserSettings();
    savePlacement(*settings);
    event->accept();
}

}  // namespace rz
