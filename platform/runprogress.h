#pragma once

// Shows outside the window how far a copy run has got, for example on the task bar.
class RunProgress {
public:
    virtual ~RunProgress() = default;

    // copied files out of the run's total
    virtual void Progress(int copied, int total) = 0;

    // The run has ended, in any way.
    virtual void Clear() = 0;
};
