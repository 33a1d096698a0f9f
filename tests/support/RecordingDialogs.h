// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialogs that record every box in order and answer from scripts. An input
// box without a scripted answer behaves as cancelled (returns its default);
// so do queries and file dialogs. A question without a scripted answer is
// answered "Verwerfen" when it offers that: the window then goes on as it did
// before it asked, so tests that quit or load need not script it.

#include <algorithm>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "model/Dialogs.h"

namespace tonvera::test {

class RecordingDialogs : public Dialogs {
public:
    struct Message {
        std::string text;
        std::string title;
        friend bool operator==(const Message&, const Message&) = default;
    };
    struct Prompt {
        std::string caption;
        std::string prompt;
        std::string defaultText;
    };
    struct FileRequest {
        bool save;
        std::string filter;
        std::string defaultExt;
        std::string initialName;
    };

    std::vector<Message> messages;
    std::vector<std::string> errors;
    std::vector<Prompt> inputBoxes;
    std::vector<Prompt> inputQueries;
    std::vector<FileRequest> fileRequests;
    struct Question {
        std::string text;
        std::vector<std::string> answers;
        std::size_t escape;
    };
    std::vector<Question> questions;

    // Answers, taken front first. std::nullopt means the operator cancels.
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> queryAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    // Questions are answered by the caption of the button.
    std::deque<std::string> questionAnswers;
    std::string unscriptedAnswer = "Verwerfen";

    // The message texts alone, in order.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Message& m : messages)
            out.push_back(m.text);
        return out;
    }
    void clear()
    {
        messages.clear();
        errors.clear();
        inputBoxes.clear();
        inputQueries.clear();
        fileRequests.clear();
        questions.clear();
    }

    void messageBox(const std::string& text, const std::string& title) override { messages.push_back({text, title}); }

    std::string inputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText) override
    {
        inputBoxes.push_back({caption, prompt, defaultText});
        auto answer = take(inputAnswers);
        return answer ? *answer : defaultText;
    }

    bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override
    {
        inputQueries.push_back({caption, prompt, value});
        auto answer = take(queryAnswers);
        if (!answer)
            return false;
        value = *answer;
        return true;
    }

    void errorBox(const std::string& text) override { errors.push_back(text); }

    std::optional<std::string> openFileName(const std::string& filter, const std::string& defaultExt,
                                            const std::string& initialName) override
    {
        fileRequests.push_back({false, filter, defaultExt, initialName});
        return take(fileAnswers);
    }
    std::optional<std::string> saveFileName(const std::string& filter, const std::string& defaultExt,
                                            const std::string& initialName) override
    {
        fileRequests.push_back({true, filter, defaultExt, initialName});
        return take(fileAnswers);
    }

    std::size_t question(const std::string& text, const std::vector<std::string>& answers, std::size_t escape) override
    {
        questions.push_back({text, answers, escape});
        std::string answer = unscriptedAnswer;
        if (!questionAnswers.empty()) {
            answer = questionAnswers.front();
            questionAnswers.pop_front();
        }
        const auto it = std::find(answers.begin(), answers.end(), answer);
        return it == answers.end() ? escape : static_cast<std::size_t>(it - answers.begin());
    }

private:
    static std::optional<std::string> take(std::deque<std::optional<std::string>>& q)
    {
        if (q.empty())
            return std::nullopt;
        auto a = q.front();
        q.pop_front();
        return a;
    }
};

} // namespace tonvera::test
