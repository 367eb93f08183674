#pragma once
// The filter window ("Address Filter") and the browse window ("Address Browse").
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <array>
#include <memory>

#include "address/BrowseModel.h"
#include "address/Query.h"
#include "address/ui/DialogSupport.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {
class AddressFile;
class RecordSession;
}  // namespace brindle::address

namespace brindle::address::ui {

class TAddressQueryForm : public HelpDialog {
    Q_OBJECT
public:
    // The edits show `shown` when given, otherwise the file's filter values.
    TAddressQueryForm(AddressFile& file, common::UserDialogs& dialogs, QWidget* parent = nullptr,
                      const QueryVars* shown = nullptr);
    // The values of the edits and check boxes.
    QueryVars vars() const;
    QLineEdit* edit(int i) const { return edits_[static_cast<std::size_t>(i)]; }
    QCheckBox* taggedBox() const { return tagged_; }
    QCheckBox* reverseBox() const { return reverse_; }
    QLabel* countLine() const { return count_; }

    void testClicked();
    void clearClicked();
    // "Test", then closes with Ok unless the values were refused.
    void okClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AddressFile& file_;
    common::UserDialogs& dialogs_;
    std::array<QLineEdit*, kQueryTextCount> edits_{};
    QCheckBox* tagged_;
    QCheckBox* reverse_;
    QLabel* count_;
    QLabel* dateNote_;
};

class TAddressBrowseForm : public HelpDialog {
    Q_OBJECT
public:
    // `toggleTag` tags or untags the current record (the main window's rule).
    TAddressBrowseForm(AddressFile& file, const QStringList& columnOrder, std::function<void()> toggleTag,
                       common::UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TAddressBrowseForm() override;
    QTableView* grid() const { return grid_; }
    AddressTableModel* model() const { return model_; }
    // The full column order as the user left it.
    QStringList columnOrder() const;
    void tagCurrent();

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;

private:
    void move(int how);
    void rowChanged();

    AddressFile& file_;
    QStringList order_;
    std::function<void()> toggleTag_;
    common::UserDialogs& dialogs_;
    QTableView* grid_;
    AddressTableModel* model_;
    bool placed_ = false;
};

}  // namespace brindle::address::ui
