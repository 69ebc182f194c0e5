#include "client/ui/visibility_choice.h"

#include <QRadioButton>
#include <QVBoxLayout>

#include "client/ui/ui_text.h"

namespace zemra::client::ui {

QGroupBox* visibilityChoice(QButtonGroup* buttons, int checked) {
    auto* group = new QGroupBox(u("谁可以看到这些资料"));
    auto* radios = new QVBoxLayout(group);
    const char* names[] = {"完全公开", "仅好友可见", "完全保密"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(u(names[i]));
        buttons->addButton(radio, i);
        radios->addWidget(radio);
    }
    buttons->button(checked)->setChecked(true);
    return group;
}

}  // namespace zemra::client::ui
