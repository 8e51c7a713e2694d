#pragma once
// What the service keeps of a client is no more than counting needs: a PC's MAC text only as a
// keyed hash (HMAC-SHA-256 under a secret of the deployment, so the same PC is still one row,
// while a copy of the database names no machine), and its address cut to the network it came
// from. The same rules keep MACs and full addresses out of the logs.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qvx::server {

// The secret's length when this program makes one.
inline constexpr std::size_t kSecretBytes = 32;
// A shorter file is refused: it would make the hashes guessable.
inline constexpr std::size_t kMinSecretBytes = 16;

// The deployment's secret from path. A missing file is made with kSecretBytes random bytes and
// mode 0600 (two instances starting at once end up with the same one); a file that others may
// read, or that is too short, is refused. Nothing, with the reason in *error (never the secret),
// when it cannot be had.
std::optional<std::string> LoadOrCreateSecret(const std::string& path, std::string* error);
// The same without making one: nothing (and no error) when the file is missing.
std::optional<std::string> LoadSecret(const std::string& path, std::string* error);

// 64 lowercase hex digits: HMAC-SHA-256 of the MAC text under the secret.
std::string ProtectMacText(std::string_view secret, std::string_view macText);

// The address's network: IPv4 cut to /24 ("10.1.2.0"), IPv6 to /48 ("2001:db8:1::"), an IPv4
// address inside IPv6 ("::ffff:10.1.2.3") to its /24. Text that is no address becomes "".
std::string CutClientAddress(std::string_view address);

// A request target as the log may show it: the value of every query parameter that names the
// MAC text (MAC_in, in any case or percent-encoding) is written as "(hidden)".
std::string HideMacText(std::string_view target);

}  // namespace qvx::server
