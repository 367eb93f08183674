#include <algorithm>

#include "commands/Command.h"

namespace brindle::commands {

void CommandRegistry::add(Command command) {
    if (Command* existing = find(command.id)) {
        *existing = std::move(command);
        return;
    }
    commands_.push_back(std::move(command));
}

bool CommandRegistry::attach(const QString& id, Handler handler) {
    Command* c = find(id);
    if (!c) return false;
    c->run = std::move(handler);
    return true;
}

const Command* CommandRegistry::find(const QString& id) const {
    for (const Command& c : commands_)
        if (c.id == id) return &c;
    return nullptr;
}

Command* CommandRegistry::find(const QString& id) {
    for (Command& c : commands_)
        if (c.id == id) return &c;
    return nullptr;
}

std::vector<const Command*> CommandRegistry::at(Place place) const {
    std::vector<std::pair<int, const Command*>> found;
    for (const Command& c : commands_) {
        if (c.menu && c.menu->menu == place) found.emplace_back(c.menu->position, &c);
        if (c.button && c.button->bar == place) found.emplace_back(c.button->position, &c);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const Command*> out;
    for (const auto& f : found) out.push_back(f.second);
    return out;
}

}  // namespace brindle::commands
