#pragma once

// A throw-away certificate authority and a server certificate it signed for "localhost" only,
// made by the openssl tool in a temporary folder when the object is made.

#include <string>

#include "support/temp_dir.h"

namespace zelvaro::test {

class TestCertificates {
 public:
  TestCertificates();

  std::string caFile() const { return folder_.file("ca.pem"); }
  std::string certificateFile() const { return folder_.file("server.pem"); }
  std::string keyFile() const { return folder_.file("server.key"); }

 private:
  TempDir folder_;
};

}  // namespace zelvaro::test
