// The companion file reader on any bytes: parsing, lookups and a write that
// must read back as written, and a round trip that keeps every line.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "project/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(16);
  const std::string key = in.ConsumeRandomLengthString(16);
  const std::string value = in.ConsumeRandomLengthString(32);
  const std::string file = in.ConsumeRemainingBytesAsString();

  tesra::Profile p;
  p.Parse(file);
  (void)p.GetBytes("MessageLength", "1", "0");
  (void)p.Get(section, key, "0");

  // What is written out parses back to the same lines.
  const std::string once = p.ToBytes();
  tesra::Profile again;
  again.Parse(once);
  if (again.ToBytes() != once) std::abort();

  if (p.SetBytes(section, key, value)) {
    // A value is stored without its line breaks and read without its outer blanks.
    auto stored = p.FindBytes(section, key);
    if (!stored) std::abort();
    tesra::Profile reread;
    reread.Parse(p.ToBytes());
    if (reread.FindBytes(section, key) != stored) std::abort();
  }
  return 0;
}
