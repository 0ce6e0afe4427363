#include "support/test_certificates.h"

#include <cstdlib>
#include <stdexcept>

namespace zelvaro::test {

TestCertificates::TestCertificates() {
  writeFile(folder_.file("server.ext"),
            "subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n"
            "extendedKeyUsage=serverAuth\n");
  const std::string in = "cd '" + folder_.path() + "' && ";
  const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  const std::string commands =
      in + "openssl req -x509" + key + " -keyout ca.key -out ca.pem -days 2" +
      " -subj '/CN=Zelvaro Test CA' && openssl req" + key +
      " -keyout server.key -out server.csr -subj '/CN=localhost' && openssl x509 -req" +
      " -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext" +
      " -out server.pem";
  if (std::system(("(" + commands + ") >/dev/null 2>&1").c_str()) != 0) {
    throw std::runtime_error("openssl could not make the test certificates");
  }
}

}  // namespace zelvaro::test
