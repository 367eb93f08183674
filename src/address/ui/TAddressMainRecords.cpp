// The main window's record work, filters, search and browse: thin handlers
// that gather input and call RecordSession and AddressFile.
#include <QApplication>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QTabWidget>

#include "address/GatewayScope.h"
#include "address/BrowseModel.h"
#include "address/Query.h"
#include "address/RecordFields.h"
#include "address/ui/FilterWindows.h"
#include "address/ui/RecordDialogs.h"
#include "address/ui/TAddressMain.h"
#include "common/Common.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"

namespace brindle::address::ui {

void TAddressMain::wireRecordWork() {
    // The menus' and buttons' work is attached to their commands
    // (attachOwnCommands); here the record's own controls are wired.
    connect(tagged_, &QCheckBox::clicked, this, &TAddressMain::taggedClick);

    for (auto it = edits_.begin(); it != edits_.end(); ++it) {
        const QString field = it.key();
        QLineEdit* e = it.value();
        e->installEventFilter(this);
        connect(e, &QLineEdit::textEdited, this, [this, field, e](const QString& text) {
            if (field == QLatin1String("MIDDLE") && text != text.toUpper()) {
                const int pos = e->cursorPosition();
                e->setText(text.toUpper());
                e->setCursorPosition(pos);
            }
            pushField(field, e->text());
        });
    }
    memo_->installEventFilter(this);

    session_->askNewRecord = [this](const NewRecordBoxLayout& layout) -> std::optional<NewRecordAnswer> {
        TGetFirstLastZip box(layout, file_->fieldWidth("LNAME"), file_->fieldWidth("FNAME"), file_->fieldWidth("ZIP"),
                             this);
        if (box.execCentred(this) != QDialog::Accepted) return std::nullopt;
        return box.answer();
    };
    session_->afterPost = [this] { afterPost(); };
}

void TAddressMain::pushField(const QString& field, const QString& text) {
    guarded([&] { session_->setField(field, text); });
}

void TAddressMain::afterPost() {
    if (session_->refreshButtons) setButtons();
    setSkipFields(false);
}

void TAddressMain::setSkipFields(bool on) {
    for (auto it = edits_.begin(); it != edits_.end(); ++it)
        it.value()->setFocusPolicy(on && session_->skipField(it.key()) ? Qt::ClickFocus : Qt::StrongFocus);
}

// ---------------------------------------------------------------- keys

QList<QWidget*> TAddressMain::recordFocusOrder() const {
    QList<QWidget*> order;
    for (const RecordField& f : nameFields()) order << recordEdit(f.field);
    if (tabs_->currentIndex() == 0)
        for (const RecordField& f : addressPageFields()) order << recordEdit(f.field);
    else
        order << memo_;
    return order;
}

bool TAddressMain::moveRecordFocus(QWidget* from, bool forward) {
    const QList<QWidget*> order = recordFocusOrder();
    const qsizetype at = order.indexOf(from);
    if (at < 0) return false;
    const qsizetype n = order.size();
    for (qsizetype step = 1; step < n; ++step) {
        QWidget* w = order[(at + (forward ? step : n - step)) % n];
        // Skipped fields take clicks only (setSkipFields).
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;  // nowhere else to go: the focus stays, and the key is used up
}

bool TAddressMain::handleKey(QKeyEvent* k) {
    const bool editing = session_->editing();
    const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
    const auto mods = k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    if (!file_->isOpen()) return false;
    if (editing) {
        if (enter && mods == Qt::AltModifier) {
            addAnother();
            return true;
        }
        if (enter && mods == Qt::ControlModifier) {
            saveClick();
            return true;
        }
        if (k->key() == Qt::Key_PageDown) {
            guarded([this] {
                if (dialogs_.askYesNo(QStringLiteral("Save changes?"), QStringLiteral("Save"))) saveClick();
            });
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            guarded([this] {
                if (dialogs_.askYesNo(QStringLiteral("Cancel changes?"), QStringLiteral("Cancel"))) cancelClick();
            });
            return true;
        }
        return false;
    }
    auto move = [this](int how) {
        guarded([this, how] {
            switch (how) {
            case 0: file_->first(); break;
            case 1: file_->prior(); break;
            case 2: file_->next(); break;
            default: file_->last(); break;
            }
        });
    };
    if (k->key() == Qt::Key_PageDown) {
        move(mods == Qt::ControlModifier ? 3 : 2);
        return true;
    }
    if (k->key() == Qt::Key_PageUp) {
        move(mods == Qt::ControlModifier ? 0 : 1);
        return true;
    }
    return false;
}

void TAddressMain::keyPressEvent(QKeyEvent* event) {
    if (!handleKey(event)) QMainWindow::keyPressEvent(event);
}

bool TAddressMain::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const bool isRecordEdit = edit && edits_.key(edit).size() > 0;
    const bool isMemo = watched == memo_;
    if ((isRecordEdit || isMemo) && event->type() == QEvent::MouseButtonDblClick && !session_->editing()) {
        editClick();
        return false;
    }
    if ((isRecordEdit || isMemo) && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (handleKey(k)) return true;
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const auto mods = k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
        // Tab, Shift+Tab and (in the edits) Enter go from field to field in
        // visual order, never to the tab bar or a button, so what is typed
        // next always lands in a field.
        QWidget* control = isMemo ? static_cast<QWidget*>(memo_) : edit;
        if (k->key() == Qt::Key_Tab && mods == Qt::NoModifier) return moveRecordFocus(control, true);
        if (k->key() == Qt::Key_Backtab || (k->key() == Qt::Key_Tab && mods == Qt::ShiftModifier))
            return moveRecordFocus(control, false);
        if (isRecordEdit && enter && mods == Qt::NoModifier) return moveRecordFocus(control, true);
        // Typing into the memo starts an edit when editing is allowed.
        if (isMemo && !session_->editing() && !k->text().isEmpty() && k->text().at(0).isPrint() &&
            button(QStringLiteral("editButton"))->isEnabled()) {
            editClick();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- records

void TAddressMain::addClick() {
    guarded([this] {
        if (!file_->isOpen() || session_->editing()) return;
        tabs_->setCurrentIndex(0);
        if (!session_->add()) return;
        memo_->clear();
        setButtons();
        showRecord();
        if (QLineEdit* e = recordEdit(session_->addFocusField().toLatin1().constData())) e->setFocus();
        setSkipFields(true);
    });
    setButtons();
}

void TAddressMain::addAnother() {
    saveClick();
    if (!session_->editing() && dialogs_.askYesNo(QStringLiteral("Add another record?"), QStringLiteral("Add")))
        addClick();
}

void TAddressMain::editClick() {
    guarded([this] {
        if (!session_->startEdit()) return;
        setButtons();
    });
}

void TAddressMain::saveClick() {
    guarded([this] {
        if (!session_->editing()) return;
        // What is in the edits goes into the record, whatever way it was typed.
        for (auto it = edits_.begin(); it != edits_.end(); ++it) session_->setField(it.key(), it.value()->text());
        session_->save(memo_->toPlainText());
    });
    showRecord();
    setButtons();
}

void TAddressMain::cancelClick() {
    guarded([this] { session_->cancel(); });
    setSkipFields(false);
    showRecord();
    setButtons();
}

void TAddressMain::deleteClick() {
    guarded([this] { session_->deleteRecord(); });
    setButtons();
}

void TAddressMain::cloneClick() {
    guarded([this] { session_->cloneRecord(); });
    showRecord();
    setButtons();
}

void TAddressMain::copyToClipboardClick() {
    guarded([this] {
        if (!file_->hasRecord()) return;
        TCopyToClipBoard dlg(this);
        dlg.adjustSize();
        common::centreWindow(&dlg, this);
        if (dlg.exec() != QDialog::Accepted) return;
        session_->copyToClipboard(dlg.parts());
    });
}

void TAddressMain::dateClick() {
    guarded([this] {
        if (!file_->hasRecord()) {
            dialogs_.beep();
            return;
        }
        const QString stored = session_->field(QStringLiteral("DATE"));
        const QDate start = common::isStoredDate(stored) ? common::storedToDate(stored) : QDate::currentDate();
        TDateSelector dlg(start, this);
        dlg.execCentred(this);
        if (dlg.choice() == TDateSelector::Choice::Cancel) return;
        session_->setDate(dlg.choice() == TDateSelector::Choice::Date ? common::toStoredDate(dlg.date()) : QString());
    });
    showRecord();
    setButtons();
}

void TAddressMain::taggedClick() {
    guarded([this] { session_->toggleTag(); });
    showRecord();  // the box always shows the record's state, also after a beep
    setButtons();
}

void TAddressMain::clearTagsClick() {
    guarded([this] { session_->clearTags(); });
    showRecord();
    setButtons();
}

void TAddressMain::tagAllClick() {
    guarded([this] {
        if (!dialogs_.askYesNo(QStringLiteral("Tag all records matching filter?"), QStringLiteral("TAG ALL"))) return;
        GatewayScope scope(*session_, {.bulkOperation = true, .restoreRecord = false, .restoreFilter = false});
        TTagAllRecords dlg(*session_, dialogs_, this);
        dlg.adjustSize();
        common::centreWindow(&dlg, this);
        dlg.exec();
    });
    showRecord();
    setButtons();
}

void TAddressMain::searchMemoClick() {
    guarded([this] {
        if (!file_->isOpen()) return;
        bool ok = false;
        const QString text = QInputDialog::getText(this, QStringLiteral("Memo Search"), QStringLiteral("Search For"),
                                                   QLineEdit::Normal, session_->memoSearchText, &ok)
                                 .left(255);
        if (!ok || text.isEmpty()) return;
        session_->memoSearchText = text;
        GatewayScope scope(*session_, {.restoreRecord = false});
        TBRWSearching dlg(*session_, true, dialogs_, this);
        common::centreWindow(&dlg, this);
        dlg.exec();
    });
    showRecord();
    setButtons();
}

void TAddressMain::findNextClick() {
    guarded([this] {
        if (!file_->isOpen() || session_->memoSearchText.isEmpty()) return;
        GatewayScope scope(*session_, {.restoreRecord = false});
        TBRWSearching dlg(*session_, false, dialogs_, this);
        common::centreWindow(&dlg, this);
        dlg.exec();
    });
    showRecord();
    setButtons();
}

// ---------------------------------------------------------------- filters

void TAddressMain::filterButtonClick() {
    if (session_->editing()) {
        dialogs_.beep();
        return;
    }
    guarded([this] {
        if (!file_->isOpen()) return;
        runFilterWindow(file_->queryVars());
    });
    showRecord();
    setButtons();
}

void TAddressMain::runFilterWindow(const QueryVars& shown, const QString& countLine) {
    const QueryVars saved = file_->queryVars();
    TAddressQueryForm form(*file_, dialogs_, this, &shown);
    if (!countLine.isEmpty()) form.countLine()->setText(countLine);
    const bool ok = form.execCentred(this) == QDialog::Accepted;
    file_->setQueryVars(ok ? form.vars() : saved);
    file_->applyQuery();
    // The record shown is always one the filter admits.
    file_->showMatchingRecord();
}

void TAddressMain::clearFilterClick() {
    guarded([this] {
        file_->clearQueryVars();
        file_->applyQuery();
        file_->first();
    });
    setButtons();
}

void TAddressMain::saveFilterClick() {
    guarded([this] {
        if (!file_->filterSet()) return;
        const QString chosen = dialogs_.chooseSaveFile(QStringLiteral("Save Filter"), common::programDir(),
                                                       QStringLiteral("Filter files|*.FLT"), QStringLiteral("FLT"));
        if (chosen.isEmpty()) return;
        const QString path = filterSaveName(chosen);
        if (path.isEmpty()) {
            dialogs_.showInfo(QStringLiteral("Must have a .FLT extension"));
            return;
        }
        if (QFileInfo::exists(path) &&
            !dialogs_.askYesNoDefaultNo(path + QStringLiteral(" already exists.") + QStringLiteral("\r\n") +
                                            QStringLiteral("Do you want to overwrite it?"),
                                        QStringLiteral("Warning!")))
            return;
        saveFilterTo(path, file_->queryVars());
    });
    setButtons();
}

void TAddressMain::restoreFilterClick() {
    guarded([this] {
        if (!file_->isOpen()) return;
        const QString path = dialogs_.chooseOpenFile(QStringLiteral("Restore Filter"), common::programDir(),
                                                     QStringLiteral("Filter Files|*.flt"), QStringLiteral("FLT"));
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().toUpper() != QLatin1String("FLT")) {
            dialogs_.showInfo(QStringLiteral("Must be a Filter (.FLT) file"));
            return;
        }
        const QueryVars restored = restoreFilterFrom(path);
        file_->restoreFilter(restored);
        // A filter that matches nothing is dropped; its values are shown in
        // the filter window so the user sees what was restored and can change it.
        if (!file_->filterSet() && restored.setsFilter()) runFilterWindow(restored, QStringLiteral("No filter set"));
    });
    showRecord();
    setButtons();
}

void TAddressMain::searchButtonClick() {
    guarded([this] {
        if (!file_->hasRecord() || session_->editing()) return;
        TSearchBox box(file_->sortName(), this);
        if (box.execCentred(this) != QDialog::Accepted) return;
        session_->searchFor(box.sortName(), box.text());
    });
    showRecord();
    setButtons();
}

void TAddressMain::browseButtonClick() {
    if (session_->editing()) {
        dialogs_.beep();
        return;
    }
    guarded([this] {
        if (!file_->isOpen()) return;
        const QString listPath = columnOrderPath();
        const QStringList order = applyColumnOrder(browseFieldNames(), readColumnOrder(listPath));
        QStringList finalOrder = order;
        {
            // The grid moves the record on purpose; the rest is put back as it was.
            GatewayScope scope(*session_, {.restoreRecord = false});
            TAddressBrowseForm form(*file_, order, [this] { session_->toggleTag(); }, dialogs_, this);
            form.exec();
            finalOrder = form.columnOrder();
        }
        writeColumnOrder(listPath, finalOrder);
    });
    showRecord();
    setButtons();
}

}  // namespace brindle::address::ui
