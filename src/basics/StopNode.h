#pragma once
// A node in a tree of cancellations: a stop source that is also requested
// when its parent token is. A run's stop is the root; each attempt at a
// generator, and each decoder lane inside one, hangs below it, so stopping
// any node stops everything beneath it and nothing needs a pointer to the
// object it cancels.
//
// Thread-safe as std::stop_source. Neither copyable nor movable (the link to
// the parent refers to this node's source); hand out token() or source().

#include <stop_token>

class StopNode {
public:
    explicit StopNode(std::stop_token parent = {})
        : m_link(std::move(parent), Forward{m_source})
    {
    }
    StopNode(const StopNode &) = delete;
    StopNode &operator=(const StopNode &) = delete;

    std::stop_token token() const { return m_source.get_token(); }
    // A handle on the same stop state, for whoever may request it.
    std::stop_source source() const { return m_source; }
    void requestStop() { m_source.request_stop(); }
    bool stopRequested() const { return m_source.stop_requested(); }

private:
    struct Forward {
        std::stop_source source;
        void operator()() { source.request_stop(); }
    };
    std::stop_source m_source;           // first: the link may fire while it is made
    std::stop_callback<Forward> m_link;
};
