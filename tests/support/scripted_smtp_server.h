#pragma once

// An SMTP server of the tests' own on a loopback port. It plays a script (replies, multi-line
// replies, pauses, bytes one at a time, closing at any point) in the test's own event loop and
// keeps the exact transcript of both sides, so a test can assert every line that crossed.

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/eventloop.h"

namespace zelvaro::test {

class ScriptedSmtpServer {
 public:
  ScriptedSmtpServer();
  ~ScriptedSmtpServer();
  ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
  ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

  int port() const { return port_; }

  // The script, played in order; steps that need a client wait for the next connection.
  // Sends the bytes as they are.
  ScriptedSmtpServer& send(const std::string& bytes);
  // Sends one line with its CR LF.
  ScriptedSmtpServer& line(const std::string& text) { return send(text + "\r\n"); }
  // Sends the bytes one at a time, one per turn of the loop.
  ScriptedSmtpServer& sendByteByByte(const std::string& bytes);
  // Waits for one line from the client.
  ScriptedSmtpServer& expectLine();
  // Waits for one line, then replies with `text`.
  ScriptedSmtpServer& reply(const std::string& text) { return expectLine().line(text); }
  // Waits for the message lines up to and including the line ".".
  ScriptedSmtpServer& expectData();
  ScriptedSmtpServer& pause(int milliseconds);
  // Sends what is queued in clear, then runs the server's side of a TLS handshake with the
  // certificate and key (PEM files); everything after it goes through TLS.
  ScriptedSmtpServer& startTls(const std::string& certificateFile, const std::string& keyFile);
  // Closes the connection.
  ScriptedSmtpServer& close();
  // Waits until the client has closed the connection.
  ScriptedSmtpServer& expectClose();

  // The usual replies: to the greeting and HELO; and to MAIL and one RCPT per recipient; and
  // to DATA with the message, QUIT, then the close.
  ScriptedSmtpServer& greet();
  // The greeting, an EHLO reply announcing `capability` and AUTH PLAIN, and the login's 235.
  ScriptedSmtpServer& greetWithLogin(const std::string& capability);
  ScriptedSmtpServer& acceptEnvelope(int recipients = 1);
  ScriptedSmtpServer& acceptMessage(int recipients = 1);

  // The script has been played to its end.
  bool finished() const { return steps_.empty(); }
  // The client closed (or reset) the connection.
  bool clientClosed() const { return clientClosed_; }
  // "S: " + each line sent, "C: " + each line received, "* ..." for the connection's events.
  const std::vector<std::string>& transcript() const { return transcript_; }
  // The lines received between "DATA" and the line ".", as the client sent them.
  std::vector<std::string> messageLines() const;
  // Bytes received in all.
  size_t bytesReceived() const { return bytesReceived_; }

 private:
  struct Step {
    enum Kind {
      Send,
      SendByteByByte,
      ExpectLine,
      ExpectData,
      Pause,
      StartTls,
      Close,
      ExpectClose
    } kind;
    std::string text;
    int milliseconds = 0;
    std::string key;
    bool started = false;
  };

  ScriptedSmtpServer& add(Step step);
  void tick();
  void acceptClient();
  void readClient();
  void flushOutput();
  bool runStep(Step& step);
  void closeClient(const char* event);
  void recordSent(const std::string& bytes);
  bool runTlsHandshake(const Step& step);
  // recv and send, through TLS once it is up; -1 with errno EAGAIN while nothing can move.
  long receive(char* buffer, size_t length);
  long transmit(const char* data, size_t length);

  struct Tls;
  std::unique_ptr<Tls> tls_;
  int listener_ = -1;
  int client_ = -1;
  int port_ = 0;
  platform::Timer timer_;
  std::deque<Step> steps_;
  std::vector<std::string> transcript_;
  std::string input_;
  std::deque<std::string> unread_;
  std::string output_;
  bool clientClosed_ = false;
  bool pausing_ = false;
  std::chrono::steady_clock::time_point pauseEnd_;
  size_t bytesReceived_ = 0;
};

}  // namespace zelvaro::test
