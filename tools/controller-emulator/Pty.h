// The pseudo-terminal the emulator serves, and the watch on its slave side
// that tells when the program opens and closes the port.
#pragma once

#include <string>

namespace emu {

class Pty {
 public:
  Pty() = default;
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  ~Pty();

  bool Open(std::string& error);
  int master() const { return master_; }
  int slave() const { return slave_; }
  const std::string& slavePath() const { return slavePath_; }
  // After the program closed the port: the bytes it left unread are gone, and
  // an exclusive claim it made ends with its open.
  void ResetAfterClose();
  // Bytes sent that the program has not read yet.
  int PendingForProgram() const;
  void Close();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Counts opens and closes of the slave device by others.
class OpenWatch {
 public:
  OpenWatch() = default;
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;
  ~OpenWatch();

  bool Start(const std::string& path);
  int fd() const { return fd_; }
  struct Events {
    int opened = 0;  // times the port went from closed to open
    int closed = 0;  // times it went from open to closed
  };
  Events Drain();

 private:
  int fd_ = -1;
  int openCount_ = 0;
};

// DIR/COMn pointing at the pty; removed when destroyed.
class PortLink {
 public:
  PortLink() = default;
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;
  ~PortLink();
  bool Create(const std::string& dir, unsigned port, const std::string& target, std::string& error);
  void Remove();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace emu
