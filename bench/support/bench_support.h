// What the GUI benchmarks share: the toolkit started without a main loop of
// its own, boxes answered at once, loopback sockets, figures.
#ifndef ORV_BENCH_SUPPORT_H
#define ORV_BENCH_SUPPORT_H

#include <cstdint>
#include <vector>

class wxWindow;

namespace bench {

// Starts the toolkit and the benchmark's application object; false when
// there is no display. Every modal box is answered with OK from then on.
bool StartToolkit(int argc, char **argv);
void StopToolkit();

// A listening socket on 127.0.0.1 at a port the system picks, or -1.
int ListenOnLoopback(uint16_t *port);
// A connected socket to 127.0.0.1:port, or -1.
int ConnectToLoopback(uint16_t port);

// A click on a button, handled by the button and then by its parents.
void ClickButton(wxWindow *button);
// Runs the GUI's events for `seconds` and returns the longest gap, in ms, of
// a 10 ms GUI timer meanwhile.
double RunGuiFor(double seconds);

// The process's peak resident memory in KB, or -1.
long PeakMemoryKb();
// The value below which `fraction` of the values lie (0 for none).
double Percentile(std::vector<double> values, double fraction);

} // namespace bench

#endif
