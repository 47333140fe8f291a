// A comparison of records by a leading int key that logs every call as the pair of keys,
// for tests that check which comparisons a sort makes and in what order.
#ifndef KEYLOG_H
#define KEYLOG_H

#include <cstring>
#include <utility>
#include <vector>

// The comparisons logged_keycmp made since the log was last cleared.
inline std::vector<std::pair<int, int>> &key_log() {
  static std::vector<std::pair<int, int>> log;
  return log;
}

inline int logged_keycmp(const void *a, const void *b) {
  int x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  key_log().emplace_back(x, y);
  return (x > y) - (x < y);
}

#endif
