#include "client/ui/profile_lists.h"

namespace zemra::client::ui {
namespace {

QStringList fromUtf8(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items) list << QString::fromUtf8(item);
    return list;
}

}  // namespace

QStringList genderChoices() {
    return fromUtf8({"男", "女"});
}

QStringList countryChoices() {
    return fromUtf8({"中华人民共和国", "美国", "英国", "法国", "德国", "日本", "新加坡", "其它"});
}

QStringList provinceChoices() {
    return fromUtf8({"北京", "上海", "天津",   "重庆", "湖北",           "湖南",          "广东",
                     "广西", "河北", "河南",   "山东", "山西",           "陕西",          "江苏",
                     "江西", "安徽", "甘肃",   "福建", "贵州",           "海南",          "黑龙江",
                     "吉林", "辽宁", "内蒙古", "宁夏", "青海",           "四川",          "西藏",
                     "新疆", "云南", "浙江",   "台湾", "香港特别行政区", "澳门特别行政区"});
}

QStringList bloodTypeChoices() {
    return fromUtf8({"-", "A", "B", "O", "AB", "其它"});
}

}  // namespace zemra::client::ui
