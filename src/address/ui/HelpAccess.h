#pragma once
// The one place the address windows reach the help window through.
class QWidget;
namespace brindle::address::ui {
void openHelpTopic(int topic, QWidget* parent);
void openHelpContents(QWidget* parent);
void openHelpSearch(QWidget* parent);
}  // namespace brindle::address::ui
