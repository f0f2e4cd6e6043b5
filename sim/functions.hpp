// The service's functions: a table of handlers keyed by the name in
// "function=NAME". Each group of functions lives in its own small file
// fn_<group>.cpp with one add_<group>_functions() that fills its entries;
// standard_functions() calls them all.
#pragma once

#include "call.hpp"
#include "world.hpp"

#include <functional>
#include <map>
#include <string>

namespace sim {

// Returns the answer's raw bytes (cp1250, may hold NUL bytes). It runs under
// the service's lock, so it may read and change the world freely.
using FunctionHandler = std::function<std::string(const Call& call, World& world)>;

class FunctionTable {
public:
    void add(const std::string& name, FunctionHandler handler);
    const FunctionHandler* find(const std::string& name) const;

private:
    std::map<std::string, FunctionHandler> handlers_;
};

// BENCH: "OK\r\n" followed by the parameter n, for tools/simbench.
void add_bench_functions(FunctionTable& table);

FunctionTable standard_functions();

} // namespace sim
