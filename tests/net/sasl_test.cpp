#include "net/sasl.h"

#include <gtest/gtest.h>

namespace zelvaro::net {
namespace {

TEST(Sasl, AnswersMatchThePublishedExamples) {
  // RFC 4616's example and the one in Google's XOAUTH2 documentation.
  EXPECT_EQ(saslAnswers(SaslMechanism::Plain, "tim", "tanstaaftanstaaf"),
            std::vector<std::string>{"AHRpbQB0YW5zdGFhZnRhbnN0YWFm"});
  EXPECT_EQ(saslAnswers(SaslMechanism::XOAuth2, "someuser@example.com",
                        "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg"),
            std::vector<std::string>{
                "dXNlcj1zb21ldXNlckBleGFtcGxlLmNvbQFhdXRoPUJlYXJlciB5YTI5LnZGOWRmdDRxbVRjMk52Yj"
                "NSbGNrQmhkSFJoZG1semRHRXVZMjl0Q2cBAQ=="});
  EXPECT_EQ(saslAnswers(SaslMechanism::Login, "host", "s3cret"),
            (std::vector<std::string>{"aG9zdA==", "czNjcmV0"}));
}

TEST(Sasl, ChoosesOnlyWhatTheServerOffers) {
  const std::vector<std::string> both{"login", "PLAIN"};
  EXPECT_EQ(chooseSasl(std::nullopt, both), SaslMechanism::Plain);
  EXPECT_EQ(chooseSasl(std::nullopt, {"LOGIN", "XOAUTH2"}), SaslMechanism::Login);
  EXPECT_EQ(chooseSasl(std::nullopt, {"XOAUTH2", "CRAM-MD5"}), std::nullopt);
  EXPECT_EQ(chooseSasl(SaslMechanism::Login, both), SaslMechanism::Login);
  EXPECT_EQ(chooseSasl(SaslMechanism::XOAuth2, both), std::nullopt);
  EXPECT_EQ(chooseSasl(SaslMechanism::Plain, {"PLAINER"}), std::nullopt);
}

}  // namespace
}  // namespace zelvaro::net
