#include "platform/posix/pollclient.h"

#include <poll.h>

#include <cerrno>
#include <vector>

bool PollOnce(PollClient* const* clients, int count) {
    std::vector<pollfd> fds(static_cast<std::size_t>(count));
    int timeout = -1;
    for (int i = 0; i < count; ++i) {
        clients[i]->BeforePoll();
        fds[i] = {clients[i]->Fd(), POLLIN, 0};
        const int wanted = clients[i]->TimeoutMs();
        if (wanted >= 0 && (timeout < 0 || wanted < timeout)) timeout = wanted;
    }
    const int n = ::poll(fds.data(), fds.size(), timeout);
    if (n < 0 && errno != EINTR) return false;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        ok = clients[i]->Dispatch(n > 0 ? fds[i].revents : 0) && ok;
    }
    return ok;
}
