#include "platform/keyring.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace zelvaro::platform {

namespace {

const QString kService = QStringLiteral("zelvaro");

// Runs a keychain job to its end; the keyring answers over D-Bus, through the event loop.
template <typename Job, typename Prepare>
void runJob(Job& job, const std::string& key, Prepare prepare) {
  job.setAutoDelete(false);
  job.setKey(QString::fromStdString(key));
  prepare(job);
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

std::string problemOf(const QKeychain::Job& job) {
  return job.error() == QKeychain::NoError ? std::string() : job.errorString().toStdString();
}

}  // namespace

KeyringAnswer readKeyringSecret(const std::string& key) {
  QKeychain::ReadPasswordJob job(kService);
  runJob(job, key, [](QKeychain::ReadPasswordJob&) {});
  switch (job.error()) {
    case QKeychain::NoError:
      return {KeyringAnswer::Status::Found, job.textData().toStdString(), ""};
    case QKeychain::EntryNotFound:
      return {KeyringAnswer::Status::NotStored, "", ""};
    default:
      return {KeyringAnswer::Status::Unavailable, "", problemOf(job)};
  }
}

std::string storeKeyringSecret(const std::string& key, const std::string& secret) {
  QKeychain::WritePasswordJob job(kService);
  runJob(job, key, [&secret](QKeychain::WritePasswordJob& write) {
    write.setTextData(QString::fromStdString(secret));
  });
  return problemOf(job);
}

std::string forgetKeyringSecret(const std::string& key) {
  QKeychain::DeletePasswordJob job(kService);
  runJob(job, key, [](QKeychain::DeletePasswordJob&) {});
  // Nothing stored is as good as forgotten.
  return job.error() == QKeychain::EntryNotFound ? std::string() : problemOf(job);
}

}  // namespace zelvaro::platform
