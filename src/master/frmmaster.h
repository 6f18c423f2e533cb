// The master window (単価マスタ): the items listed with a search box that
// narrows them as the user types, the buttons that add, change, delete,
// import and export them, and where the master is kept. A thin window over
// MasterSession; the item form is a small dialog of its own.
#pragma once
#include "mastersession.h"

#include <QDialog>
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace rz {

class MasterListModel;

// The form of one item: a line for each field but the date.
class MasterItemDialog : public QDialog {
    Q_OBJECT
public:
    // `keep` stores the texts of the form; the form closes only when it did.
    MasterItemDialog(const QString &title, const MasterItem &item, std::function<bool(const MasterTexts &)> keep,
                     QWidget *parent = nullptr);
    QLineEdit *field(MasterField f) const { return fields_[size_t(f)]; }
    void accept() override;

private:
    std::function<bool(const MasterTexts &)> keep_;
    std::array<QLineEdit *, kMasterFields> fields_{};
};

class frmMaster : public QWidget {
    Q_OBJECT
public:
    frmMaster(MasterCatalog &catalog, Prompts &prompts, QWidget *parent = nullptr);
    MasterSession &session() { return session_; }
    void start();

    // The form the buttons open, shown modally; tests fill it in instead.
    std::function<void(MasterItemDialog &)> showForm = [](MasterItemDialog &d) { d.exec(); };

    QLabel *LblPlace, *LblCount;
    QLineEdit *TxtFind;
    QTableView *LstItems;
    QPushButton *CmdAdd, *CmdEdit, *CmdDelete, *CmdImport, *CmdExport, *CmdPlace, *CmdClose;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showList();
    void addItem();
    void editItem();
    void deleteItems();

    MasterCatalog &catalog_;
    MasterSession session_;
    MasterListModel *model_;
};

}  // namespace rz
