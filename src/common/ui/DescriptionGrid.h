#pragma once
// The one-column grid of descriptions the setup windows pick from (label and
// envelope setups, letters, label templates): whole rows, one at a time,
// never edited in place. Each row keeps the record number it shows.
#include <QSignalBlocker>
#include <QSize>
#include <QString>
#include <QTableWidget>
#include <cstdint>
#include <functional>
#include <optional>

namespace brindle::common::ui {

class DescriptionGrid : public QTableWidget {
public:
    // `heading` is the column's caption; `whatsThis` may be empty.
    DescriptionGrid(const QString& objectName, const QString& heading, QSize minimum, const QString& whatsThis,
                    QWidget* parent);

    // Shows `rows` (each with .recno and .description) without signalling and
    // makes the one numbered `select` current, the first when none is. The
    // record number now current; none when there are no rows.
    template <class Rows>
    std::optional<std::uint32_t> fill(const Rows& rows, std::uint32_t select) {
        const QSignalBlocker block(this);
        setRowCount(static_cast<int>(rows.size()));
        int current = rows.isEmpty() ? -1 : 0;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            setItem(i, 0, makeItem(rows[i].description, rows[i].recno));
            if (rows[i].recno == select) current = i;
        }
        if (current < 0) return std::nullopt;
        setCurrentCell(current, 0);
        return rows[current].recno;
    }

    // The record number shown in `row`; none outside the rows.
    std::optional<std::uint32_t> recnoAt(int row) const;
    // Calls `chosen` with the record number of each row the user makes current.
    void onRowChosen(QObject* context, std::function<void(std::uint32_t recno)> chosen);

private:
    static QTableWidgetItem* makeItem(const QString& text, std::uint32_t recno);
};

}  // namespace brindle::common::ui
