#include "nickname_collator.h"

#include <QCollator>
#include <QString>
#include <memory>

#include "platform/text.h"

namespace zemra::client {

NicknameCompare nicknameCollator() {
    auto collator = std::make_shared<QCollator>(QLocale::system());
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    return [collator](const std::string& a, const std::string& b) {
        return collator->compare(QString::fromStdString(text::toUtf8(a)),
                                 QString::fromStdString(text::toUtf8(b)));
    };
}

}  // namespace zemra::client
