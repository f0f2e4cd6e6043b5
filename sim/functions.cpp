#include "functions.hpp"

namespace sim {

void FunctionTable::add(const std::string& name, FunctionHandler handler) {
    handlers_[name] = std::move(handler);
}

const FunctionHandler* FunctionTable::find(const std::string& name) const {
    const auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

FunctionTable standard_functions() {
    FunctionTable table;
    add_bench_functions(table);
    return table;
}

} // namespace sim
