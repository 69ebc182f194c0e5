// One running client per base folder. The first start holds a lock file in
// the folder and listens on a local socket named after it; a later start
// finds the lock taken, asks the first one to show itself, and ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <filesystem>
#include <memory>

namespace zemra::client {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const std::filesystem::path& baseDir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the first instance. A later one has already asked the first
    // to show itself when this returns false.
    bool claim();

  signals:
    // Another start asked this instance to show itself.
    void activationRequested();

  private:
    QString serverName() const;

    std::filesystem::path baseDir_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace zemra::client
