#pragma once

#include "app/settings/ToggleSwitch.h"
#include "app/system/preferences/PreferenceTypes.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace snipstack {

// Keeps a control showing a value that may change elsewhere (`changed` is its change signal on
// `source`) and hands each change the user makes to `write`. After a write the control shows the value
// read back, so a change the model refuses or the user cancels in a confirmation springs back.

template <typename Source, typename Signal>
void bindSwitch(ToggleSwitch* toggle, Source* source, Signal changed, std::function<bool()> read,
                std::function<void(bool)> write) {
    toggle->display(read());
    QObject::connect(source, changed, toggle, [toggle, read] { toggle->display(read()); });
    QObject::connect(toggle, &ToggleSwitch::toggled, toggle, [toggle, read, write](bool on) {
        write(on);
        toggle->display(read());
    });
}

template <typename Source, typename Signal>
void bindSpinBox(QSpinBox* box, Source* source, Signal changed, std::function<int()> read,
                 std::function<void(int)> write) {
    const auto show = [box, read] {
        const QSignalBlocker blocker(box);
        box->setValue(read());
    };
    show();
    QObject::connect(source, changed, box, show);
    QObject::connect(box, &QSpinBox::valueChanged, box, [show, write](int value) {
        write(value);
        show();
    });
}

// The cases of a stored setting with their display texts, in the order given.
template <StoredEnum E> std::vector<std::pair<E, QString>> choicesOf(std::initializer_list<E> order) {
    std::vector<std::pair<E, QString>> choices;
    for (const E value : order) {
        const std::string_view text = displayText(value);
        choices.emplace_back(value, QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
    return choices;
}

// Every case, in declared order.
template <StoredEnum E> std::vector<std::pair<E, QString>> choicesOf() {
    std::vector<std::pair<E, QString>> choices;
    for (const auto& entry : EnumCases<E>::cases) {
        choices.emplace_back(entry.value,
                             QString::fromUtf8(entry.display.data(), qsizetype(entry.display.size())));
    }
    return choices;
}

// The choices are listed in the order shown, each with its text.
template <typename Value, typename Source, typename Signal>
void bindPicker(QComboBox* picker, const std::vector<std::pair<Value, QString>>& choices, Source* source,
                Signal changed, std::function<Value()> read, std::function<void(Value)> write) {
    for (const auto& [value, text] : choices) {
        picker->addItem(text);
    }
    const auto show = [picker, choices, read] {
        const QSignalBlocker blocker(picker);
        for (std::size_t index = 0; index < choices.size(); ++index) {
            if (choices[index].first == read()) {
                picker->setCurrentIndex(int(index));
            }
        }
    };
    show();
    QObject::connect(source, changed, picker, show);
    QObject::connect(picker, &QComboBox::activated, picker, [choices, write, show](int index) {
        write(choices[std::size_t(index)].first);
        show();
    });
}

} // namespace snipstack
