// "查找": searching the stored messages of one partner, or of all of them,
// for a piece of text.
#pragma once

#include <QDialog>
#include <vector>

#include "client/store/record_store.h"
#include "client/ui/msg_manager_rules.h"

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace zemra::client::ui {

class CMsgFindDlg : public QDialog {
    Q_OBJECT
  public:
    // The partner box lists the keys of msg.db as they are now.
    CMsgFindDlg(store::RecordStore& store, const MsgNames& names, QWidget* parent = nullptr);

    // "开始查找": the results of the chosen partner and the typed text.
    void startFind();

    QComboBox* partners() const { return partners_; }
    QLineEdit* needle() const { return needle_; }
    QTableWidget* results() const { return results_; }

  private:
    store::RecordStore& store_;
    std::vector<FindEntry> entries_;
    QComboBox* partners_ = nullptr;
    QLineEdit* needle_ = nullptr;
    QTableWidget* results_ = nullptr;
};

}  // namespace zemra::client::ui
