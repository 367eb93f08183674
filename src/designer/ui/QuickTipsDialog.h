#pragma once
// The Quick Tips window of the designers: each question in bold with its
// answer below, and Ok.
#include <QPair>
#include <QString>
#include <QVector>

class QWidget;

namespace brindle::designer::ui {

void showQuickTips(QWidget* parent, const QVector<QPair<QString, QString>>& tips);

}  // namespace brindle::designer::ui
