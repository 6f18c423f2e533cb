// The master window.
#include "frmmaster.h"

#include "masterlistmodel.h"

#include "ui/uifonts.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace rz {

MasterItemDialog::MasterItemDialog(const QString &title, const MasterItem &item,
                                   std::function<bool(const MasterTexts &)> keep, QWidget *parent)
    : QDialog(parent), keep_(std::move(keep))
{
    setWindowTitle(title);
    auto *form = new QFormLayout;
    for (int f = 0; f < kMasterFields; ++f) {
        const auto field = MasterField(f);
        if (field == MasterField::Upd)
            continue;  // the date of the last change is the program's to set
        auto *edit = new QLineEdit(masterFieldText(item, field), this);
        edit->setObjectName(QStringLiteral("Txt%1").arg(f));
        if (const int bytes = masterFieldBytes(field))
            edit->setToolTip(QStringLiteral("%1バイト（全角%2文字）まで").arg(bytes).arg(bytes / 2));
        if (field == MasterField::Tk1 || field == MasterField::Tk2)
            edit->setAlignment(Qt::AlignRight);
        fields_[size_t(f)] = edit;
        form->addRow(masterCaption(field), edit);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ＯＫ"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void MasterItemDialog::accept()
{
    MasterTexts texts;
    for (int f = 0; f < kMasterFields; ++f)
        if (QLineEdit *edit = fields_[size_t(f)])
            texts[size_t(f)] = edit->text();
    if (keep_(texts))
        QDialog::accept();
}

frmMaster::frmMaster(MasterCatalog &catalog, Prompts &prompts, QWidget *parent)
    : QWidget(parent), catalog_(catalog), session_(catalog, prompts)
{
    setObjectName(QStringLiteral("frmMaster"));
    setWindowTitle(QStringLiteral("単価マスタ"));
    setFont(gridFont());

    LblPlace = new QLabel(this);
    LblPlace->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CmdPlace = new QPushButton(QStringLiteral("場所の変更…"), this);
    auto *placeRow = new QHBoxLayout;
    placeRow->addWidget(new QLabel(QStringLiteral("場所:"), this));
    placeRow->addWidget(LblPlace, 1);
    placeRow->addWidget(CmdPlace);

    TxtFind = new QLineEdit(this);
    TxtFind->setObjectName(QStringLiteral("TxtFind"));
    TxtFind->setPlaceholderText(QStringLiteral("名称・規格・分類で検索（かな・カナ・半角・全角を問わず）"));
    TxtFind->installEventFilter(this);
    LblCount = new QLabel(this);
    auto *findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel(QStringLiteral("検索"), this));
    findRow->addWidget(TxtFind, 1);
    findRow->addWidget(LblCount);

    model_ = new MasterListModel({MasterField::Dai, MasterField::Chu, MasterField::Knm, MasterField::Mei,
                                  MasterField::Tn1, MasterField::Tk1, MasterField::Tk2, MasterField::Bk1,
                                  MasterField::Upd},
                                 this);
    LstItems = new QTableView(this);
    LstItems->setObjectName(QStringLiteral("LstItems"));
    LstItems->setModel(model_);
    LstItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    LstItems->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LstItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LstItems->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    LstItems->horizontalHeader()->setStretchLastSection(true);
    LstItems->installEventFilter(this);
    connect(LstItems, &QTableView::doubleClicked, this, [this] { editItem(); });

    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    CmdAdd = button(QStringLiteral("追加"), "CmdAdd");
    CmdEdit = button(QStringLiteral("修正"), "CmdEdit");
    CmdDelete = button(QStringLiteral("削除"), "CmdDelete");
    buttons->addSpacing(16);
    CmdImport = button(QStringLiteral("取込…"), "CmdImport");
    CmdExport = button(QStringLiteral("書出…"), "CmdExport");
    buttons->addStretch(1);
    CmdClose = button(QStringLiteral("閉じる"), "CmdClose");

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(placeRow);
    layout->addLayout(findRow);
    layout->addWidget(LstItems, 1);
    layout->addLayout(buttons);

    connect(TxtFind, &QLineEdit::textChanged, this, [this](const QString &text) { session_.setQuery(text); });
    connect(CmdAdd, &QPushButton::clicked, this, &frmMaster::addItem);
    connect(CmdEdit, &QPushButton::clicked, this, &frmMaster::editItem);
    connect(CmdDelete, &QPushButton::clicked, this, &frmMaster::deleteItems);
    connect(CmdImport, &QPushButton::clicked, this, [this] {
        session_.importFile();
        LstItems->resizeColumnsToContents();
        TxtFind->setFocus();
    });
    connect(CmdExport, &QPushButton::clicked, this, [this] { session_.exportFile(); });
    connect(CmdPlace, &QPushButton::clicked, this, [this] { session_.chooseLocation(); });
    connect(CmdClose, &QPushButton::clicked, this, [this] {
        if (parentWidget())
            parentWidget()->close();
        else
            close();
    });
    session_.changed = [this] { showList(); };
    resize(900, 520);
}

void frmMaster::start()
{
    session_.load();
    showList();
    // As wide as the texts of the rows in sight (the view measures no more).
    LstItems->resizeColumnsToContents();
    TxtFind->setFocus();
}

void frmMaster::showList()
{
    const int row = LstItems->currentIndex().row();
    model_->show(session_.index(), session_.rows());
    LblCount->setText(session_.countText());
    LblPlace->setText(catalog_.location());
    if (!session_.rows().empty())
        LstItems->setCurrentIndex(model_->index(std::clamp(row, 0, int(session_.rows().size()) - 1), 0));
}

void frmMaster::addItem()
{
    MasterItemDialog form(QStringLiteral("単価マスタ 追加"), MasterItem{},
                          [this](const MasterTexts &texts) { return session_.keepForm(-1, texts); }, this);
    showForm(form);
}

void frmMaster::editItem()
{
    const int row = LstItems->currentIndex().row();
    if (row < 0 || row >= int(session_.rows().size()))
        return;
    MasterItemDialog form(QStringLiteral("単価マスタ 修正"), session_.itemAt(row),
                          [this, row](const MasterTexts &texts) { return session_.keepForm(row, texts); }, this);
    showForm(form);
}

void frmMaster::deleteItems()
{
    std::vector<int> rows;
    for (const QModelIndex &i : LstItems->selectionModel()->selectedRows())
        rows.push_back(i.row());
    if (rows.empty() && LstItems->currentIndex().isValid())
        rows.push_back(LstItems->currentIndex().row());
    session_.deleteRows(rows);
}

bool frmMaster::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == TxtFind && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up ||
                               key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp)) {
        // The arrows move through the list while the search box keeps the focus.
        QCoreApplication::sendEvent(LstItems, event);
        return true;
    }
    if ((watched == TxtFind || watched == LstItems) && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        editItem();
        return true;
    }
    if (watched == LstItems && key->key() == Qt::Key_Delete) {
        deleteItems();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace rz
