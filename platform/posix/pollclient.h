// PollClient: one thing velmora-idle's loop waits for, a descriptor and perhaps a deadline.
#pragma once

class PollClient {
  public:
    virtual ~PollClient() = default;
    virtual int Fd() const = 0;
    // Called just before the loop waits: a last chance to flush what is queued.
    virtual void BeforePoll() {}
    // Milliseconds until the client wants Dispatch without input; -1 when it never does.
    virtual int TimeoutMs() { return -1; }
    // After every wait, with the descriptor's poll events (0 when it had none: perhaps the
    // deadline came, perhaps another client's descriptor woke the loop). False
    // when the client can go on no more (its server has gone), which ends the daemon.
    virtual bool Dispatch(short events) = 0;
};

// Waits for `clients` once and then dispatches each. False when one has failed
// or the wait itself did.
bool PollOnce(PollClient* const* clients, int count);
