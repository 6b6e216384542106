// How a worker thread paces its passes; the program's workers wake when
// due, and a bench may start them on the fixed period to compare the two.
#pragma once

enum class WorkerPacing {
    // Sleeps until its next message falls due or its wake-up is signalled,
    // at most one pass period (waitForNextPass).
    WakeWhenDue,
    // Sleeps one pass period between passes, whatever is due or signalled.
    FixedPassPeriod,
};
