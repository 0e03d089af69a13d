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

    // `text` with every form of `hidden` (a name the tool handed the plug-in in place of the
    // user's, bare or as a file URI) replaced by `shown`.
    static std::string naming(std::string text, const std::string& hidden,
                              const std::string& shown) {
        for (const std::string& form : {"file://" + hidden, "file:" + hidden, hidden}) {
            for (size_t at = text.find(form); !hidden.empty() && at != std::string::npos;
                 at = text.find(form, at + shown.size()))
                text.replace(at, form.size(), shown);
        }
        return text;
    }

    // As `about`, telling `hidden` as `file`.
    template <class F>
    static decltype(auto) about(const std::string& file, const std::string& hidden, F&& work) {
        try {
            return work();
        } catch (const std::exception& e) {
            throw CJobError(file, naming(e.what(), hidden, file));
        }
    }

private:
    std::string m_file;
};

} // namespace orxa::host
