// Why the server refused a login, as the login code knows it, and what the
// user is told.
#pragma once

#include <string>

namespace zemra::client {

inline constexpr int kLoginWrongPassword = 1;
inline constexpr int kLoginIdInUse = 4;
inline constexpr int kLoginOldVersion = 10;
inline constexpr int kLoginAccountBarred = 12;  // an account nobody may log in as
inline constexpr int kLoginServerBusy = 14;     // the server could not handle it now

inline std::string loginRefusalText(int code) {
    switch (code) {
        case kLoginWrongPassword:
            return "ID号或密码不对,请核对";
        case kLoginOldVersion:
            return "系统已升级,请到http://127.0.0.1/zemra中下载最新版本";
        case kLoginIdInUse:
            return "已经有相同ID的用户正在使用";
        case kLoginAccountBarred:
            return "这个号码不能用来登录,请使用您自己的号码";
        case kLoginServerBusy:
            return "服务器暂时不能处理登录,请稍后再试";
        default:
            return "登录失败,请稍后再试";
    }
}

}  // namespace zemra::client
