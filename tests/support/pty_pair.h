// Two linked pseudo-terminals at DIR/a and DIR/b while socat runs: a serial
// line whose ends pass every byte and keep every setting as a device would.
#ifndef ORV_TESTS_PTY_PAIR_H
#define ORV_TESTS_PTY_PAIR_H

#include "tests/support/loopback.h"

#include <string>
#include <sys/types.h>

namespace testing_support {

class PtyPair {
public:
    // Starts socat in a fresh folder.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    std::string A() const { return m_dir + "/a"; }
    std::string B() const { return m_dir + "/b"; }
    const std::string &Dir() const { return m_dir; }

    // Whether socat said, within 5 s, that both ends exist.
    bool Ready();
    // Both pseudo-terminals go: the ends opened see their peer gone.
    void End();
    // A new pair at the same paths, once the last one has ended.
    void Start();

private:
    std::string m_dir;
    pid_t m_pid = -1;
    Fd m_errors;
};

} // namespace testing_support

#endif
