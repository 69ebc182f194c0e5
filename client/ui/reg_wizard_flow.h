// The registration wizard's rules: which page follows which, the checks of
// the basic page, and what the last page says about the server's answer.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace zemra::client::ui {

enum RegPage : int { kPageMode = 1, kPageBasic, kPageComm, kPageMisc, kPageNetwork, kPageFinish };

class RegWizardFlow {
  public:
    static constexpr int kModeNew = 0;
    static constexpr int kModeExisting = 1;
    static constexpr int kFaceTickMs = 400;
    static constexpr int kAnswerTimeoutMs = 30000;

    // An existing account skips the profile pages in both directions.
    static int next(int page, int mode);
    static int back(int page, int mode);

    // Nickname and passwords are trimmed first. The message to show, or
    // nullopt when the page may be left.
    static std::optional<QString> checkBasic(const QString& nickname, const QString& password,
                                             const QString& confirmation);

    struct Outcome {
        QString status;  // the status group's title
        QString text;
        bool completed = false;
        bool backAllowed = false;  // a failed login may go back and correct
    };
    static Outcome registered(uint32_t newId);
    static Outcome loginResult(int code);
    // The server took the request and never answered.
    static Outcome noAnswer();

    // The animated face of the last page.
    static int nextFace(int face) { return (face + 1) % 85; }
};

}  // namespace zemra::client::ui
