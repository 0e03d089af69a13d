#pragma once

#include <stdexcept>
#include <string>

namespace orxa::host {

// A job's failure, with the file it concerns (input or output).
class CJobError : public std::runtime_error {
public:
    CJobError(std::string file, const std::string& reason)
        : std::runtime_error(reason), m_file(std::move(file)) {}

    const std::string& file() const { return m_file; }

    // Runs `work`; any other failure becomes one about `file`, its text the reason.
    template <class F>
    static decltype(auto) about(const std::string& file, F&& work) {
        try {
            return work();
        } catch (const CJobError&) {
            throw;
        } catch (const std::exception& e) {
            throw CJobError(file, e.what());
        }
    }

private:
    std::string m_file;
};

} // namespace orxa::host
