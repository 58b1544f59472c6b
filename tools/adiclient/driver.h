// A driver process started as our direct child with its five pipes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "adiclient/packet.h"

namespace adiclient {

// Where a standard stream of the driver goes.
enum class Stream { inherit, null, pipe, file };

struct StartOptions {
  std::string path;
  std::vector<std::string> set_env;    // "NAME=VALUE", added or replacing
  std::vector<std::string> unset_env;  // "NAME", removed
  // With replace_argv the driver gets exactly argv (argv[0] included); the
  // words "@in", "@out", "@dispin", "@dispout" and "@event" stand for the
  // descriptor numbers of its pipe ends. Otherwise: path and the five numbers.
  bool replace_argv = false;
  std::vector<std::string> argv;
  Stream stdin_mode = Stream::null;
  Stream stdout_mode = Stream::inherit;
  Stream stderr_mode = Stream::inherit;
  std::string stdin_file, stdout_file, stderr_file;  // for Stream::file
};

// The read side of one pipe from the driver and what came that nobody took.
struct Channel {
  int fd = -1;
  bool eof = false;
  std::vector<uint8_t> data;
  size_t head = 0;  // bytes before head are taken
  size_t available() const { return data.size() - head; }
};

struct ExitStatus {
  bool known = false;   // the process has been reaped
  bool killed = false;  // we killed it with SIGKILL after the timeout
  int code = -1;        // exit status, -1 when it died of a signal
  int signal = 0;       // the signal that ended it
};

struct Driver {
  pid_t pid = -1;
  int pidfd = -1;       // readable when the process ends; -1 where unsupported
  int packet_fd = -1;   // packet input pipe, our writing end
  int disp_in_fd = -1;  // dispatcher input pipe, our writing end
  int stdin_fd = -1;    // with Stream::pipe
  Channel reply;        // packet output pipe: handshake, then replies
  Channel dispatch;     // dispatcher output pipe
  Channel event;        // event output pipe
  Channel out, err;     // captured stdout and stderr (Stream::pipe)
  int fds[5] = {-1, -1, -1, -1, -1};  // descriptor numbers given to the driver
  int handshake = -1;   // the handshake word once read
  ExitStatus status;
  int write_timeout_ms = 10000;
  // While set, the event pipe is left unread: a client busy with its replies
  // (the driver must keep answering it however many events pile up).
  bool events_held = false;

  Driver() = default;
  Driver(const Driver &) = delete;
  Driver &operator=(const Driver &) = delete;
  ~Driver();
};

enum class Got { packet, none, closed, bad };

// SIGINT is counted instead of ending the client (the driver sends it to
// its parent on Ctrl-C). start_driver installs this; SIGPIPE is ignored.
void install_sigint_counter();
int sigint_count();

// False with a reason when the pipes, the fork or the exec failed.
bool start_driver(const StartOptions &options, Driver &driver, std::string &error);

// Waits up to timeout_ms for anything from the driver (data, end of a pipe,
// the process ending, a signal to us) and reads what is there. True when
// something happened.
bool pump_driver(Driver &driver, int timeout_ms);

// Take what has fully arrived, without waiting. Until the handshake has come,
// take_reply takes it first (see driver.handshake).
Got take_handshake(Driver &driver);
Got take_reply(Driver &driver, Packet &packet);
Got take_event(Driver &driver, Packet &packet);

Got read_handshake(Driver &driver, int timeout_ms, int &value);
Got read_reply(Driver &driver, int timeout_ms, Packet &packet);
Got read_event(Driver &driver, int timeout_ms, Packet &packet);
// True when no reply comes within ms; otherwise the reply is in *came.
bool no_reply_within(Driver &driver, int ms, Packet *came = nullptr);

// Writes finish within driver.write_timeout_ms or fail.
bool send_message(Driver &driver, std::span<const Packet> packets);
bool send_packet(Driver &driver, const Packet &packet);
bool send_raw(Driver &driver, std::span<const uint8_t> bytes);
bool write_stdin(Driver &driver, std::string_view text);
void close_packet_pipe(Driver &driver);
void close_stdin(Driver &driver);

// Captured text of a standard stream so far.
std::string channel_text(const Channel &channel);

// Waits for the process to end, reading its pipes meanwhile; after
// timeout_ms it is killed with SIGKILL and status.killed is set.
const ExitStatus &wait_exit(Driver &driver, int timeout_ms);
// "exit 0", "signal 11", "killed after timeout"
std::string format_exit(const ExitStatus &status);

// Closes our pipe ends and kills and reaps the process when it still runs.
void stop_driver(Driver &driver);

}  // namespace adiclient
