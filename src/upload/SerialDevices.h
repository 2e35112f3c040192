#pragma once

#include <functional>
#include <string>
#include <vector>

// The serial devices present, for the operator to choose which one each COM item stands for.
namespace serialdevices {

struct Device {
    std::string path;  // what the settings store: the stable by-id link where there is one
    std::string label; // what the operator reads
};

// Whether a device answers as a terminal: it opens (or is there but held or forbidden) and
// takes terminal settings; a built-in port without a chip behind it does not.
bool answersAsTerminal(const std::string& path);

// Under `devRoot` ("/dev"): the links of serial/by-id first, with the readable names the
// system gives them, then ttyUSB*, ttyACM* and ttyS* that `answers` accepts, in natural order.
// A device a link already names is not listed twice.
std::vector<Device> list(const std::string& devRoot,
                         const std::function<bool(const std::string&)>& answers);

// Adds the devices the COM items stand for now (`chosen[0]` is COM 1's) that `devices` lacks
// and that answer, a pseudo-terminal for instance. They carry no label: several items may share
// one, and the path says what it is.
void addChosen(std::vector<Device>& devices, const std::vector<std::string>& chosen,
               const std::function<bool(const std::string&)>& answers);

} // namespace serialdevices
