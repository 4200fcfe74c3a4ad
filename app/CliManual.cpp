// The manual page, the shell completion and the examples of --help, all made from zanvorctl's
// grammar (the CLI11 commands and options) and CliReference, so a new command shows up in
// every one of them without a second list to keep in step.
#include "app/CliManual.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <set>
#include <sstream>

#include "app/CliReference.h"
#include "platform/Utf8.h"

namespace zanvor {

namespace {

using Visitor = std::function<void(const std::string& path, const CLI::App& command)>;

std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
    return app.get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); });
}

void Walk(const CLI::App& app, const std::string& path, const Visitor& visit) {
    for (const CLI::App* sub : Subcommands(app)) {
        const std::string subPath = path.empty() ? sub->get_name() : path + " " + sub->get_name();
        visit(subPath, *sub);
        Walk(*sub, subPath, visit);
    }
}

bool IsHelpOption(const CLI::Option& option) {
    for (const std::string& name : option.get_lnames()) {
        if (name == "help" || name == "help-all") {
            return true;
        }
    }
    return false;
}

// Named options of a command; a subcommand's inherited --help flags are left out.
std::vector<const CLI::Option*> NamedOptions(const CLI::App& command, bool withHelp) {
    return command.get_options([withHelp](const CLI::Option* option) {
        return option->nonpositional() && (withHelp || !IsHelpOption(*option));
    });
}

std::vector<const CLI::Option*> Positionals(const CLI::App& command) {
    return command.get_options([](const CLI::Option* option) {
        return !option->nonpositional() && option->get_positional();
    });
}

std::string OptionNames(const CLI::Option& option) {
    std::string names;
    for (const std::string& name : option.get_snames()) {
        names += (names.empty() ? "-" : ", -") + name;
    }
    for (const std::string& name : option.get_lnames()) {
        names += (names.empty() ? "--" : ", --") + name;
    }
    return names;
}

// Flags (--json) expect no value; options (--layer 2) do.
bool TakesValue(const CLI::Option& option) {
    return option.get_expected_max() > 0 && option.get_type_size() != 0;
}

// The value's name as --help shows it ("INT", "TEXT"), without the list of choices.
std::string ValueName(const CLI::Option& option) {
    if (!option.get_option_text().empty()) {
        return option.get_option_text();
    }
    const std::string type = option.get_type_name();
    return type.substr(0, type.find(':'));
}

// The fixed set of values a check allows ("TEXT:{on,off}" gives on and off), or none.
std::vector<std::string> Choices(const CLI::Option& option) {
    const std::string type = option.get_type_name();
    const size_t open = type.find(":{");
    const size_t close = type.find('}', open);
    std::vector<std::string> choices;
    if (open == std::string::npos || close == std::string::npos) {
        return choices;
    }
    std::stringstream list(type.substr(open + 2, close - open - 2));
    std::string choice;
    while (std::getline(list, choice, ',')) {
        if (!choice.empty()) {
            choices.push_back(choice);
        }
    }
    return choices;
}

std::string PositionalUsage(const CLI::Option& option) {
    std::string name = option.get_name(true);
    if (option.get_items_expected_max() > 1) {
        name += "...";
    }
    return option.get_required() ? name : "[" + name + "]";
}

// Roff for prose: backslashes escaped, letters beyond ASCII (the languages' own names) as
// groff's Unicode escapes, which troff reads whatever the page's encoding, and a line never
// starts a request.
std::string RoffText(const std::string& text) {
    const std::string valid = RepairUtf8(text);
    std::string out;
    for (size_t i = 0; i < valid.size(); ++i) {
        const auto c = static_cast<unsigned char>(valid[i]);
        if (c == '\\') {
            out += "\\e";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            char32_t point = c & (0x7F >> length);
            for (int k = 1; k < length && i + 1 < valid.size(); ++k) {
                point = (point << 6) | (static_cast<unsigned char>(valid[++i]) & 0x3F);
            }
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\[u%04X]", static_cast<unsigned>(point));
            out += escape;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) {
        out.insert(0, "\\&");
    }
    return out;
}

// Roff for things typed as written (commands, options): minus signs, not hyphens, so a
// command copied from the rendered page still works.
std::string RoffCode(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '-') {
            out += "\\-";
        } else if (c == '\\') {
            out += "\\e";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) {
        out.insert(0, "\\&");
    }
    return out;
}

void ReplaceAll(std::string& text, const std::string& marker, const std::string& value) {
    for (size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + value.size())) {
        text.replace(at, marker.size(), value);
    }
}

std::string OptionsRoff(const std::vector<const CLI::Option*>& options) {
    std::string out;
    for (const CLI::Option* option : options) {
        out += ".TP\n\\fB" + RoffCode(OptionNames(*option)) + "\\fR";
        if (TakesValue(*option)) {
            out += " \\fI" + RoffCode(ValueName(*option)) + "\\fR";
        }
        out += "\n" + RoffText(option->get_description());
        const std::vector<std::string> choices = Choices(*option);
        if (!choices.empty()) {
            std::string list;
            for (const std::string& choice : choices) {
                list += (list.empty() ? "" : ", ") + choice;
            }
            out += option->get_description().empty() ? "One of: " + RoffText(list)
                                                     : " (" + RoffText(list) + ")";
        }
        out += "\n";
    }
    return out;
}

std::string ExamplesRoff(const std::vector<std::string>& examples) {
    if (examples.empty()) {
        return {};
    }
    std::string out =
        ".PP\n" + std::string(examples.size() == 1 ? "Example:" : "Examples:") + "\n.RS\n.nf\n";
    for (const std::string& example : examples) {
        out += "zanvorctl " + RoffCode(example) + "\n";
    }
    return out + ".fi\n.RE\n";
}

std::string CommandsRoff(const CLI::App& cli) {
    std::string out;
    Walk(cli, "", [&out](const std::string& path, const CLI::App& command) {
        out += ".SS \"" + path + "\"\n.B zanvorctl " + RoffCode(path);
        for (const CLI::Option* option : NamedOptions(command, false)) {
            std::string usage = OptionNames(*option).substr(0, OptionNames(*option).find(','));
            if (TakesValue(*option)) {
                usage += " " + ValueName(*option);
            }
            out += " [" + RoffCode(usage) + "]";
        }
        for (const CLI::Option* positional : Positionals(command)) {
            out += " " + RoffCode(PositionalUsage(*positional));
        }
        const std::vector<const CLI::App*> subcommands = Subcommands(command);
        if (!subcommands.empty()) {
            out += command.get_require_subcommand_min() > 0 ? " COMMAND" : " [COMMAND]";
        }
        out += "\n.PP\n" + RoffText(command.get_description()) + ".\n";
        if (!subcommands.empty()) {
            std::string names;
            for (const CLI::App* sub : subcommands) {
                names += (names.empty() ? "" : ", ") + sub->get_name();
            }
            out += "Commands: " + names + ".\n";
        }
        for (const CLI::Option* positional : Positionals(command)) {
            if (!positional->get_description().empty()) {
                out += ".TP\n\\fI" + RoffCode(positional->get_name(true)) + "\\fR\n" +
                       RoffText(positional->get_description()) + "\n";
            }
        }
        out += OptionsRoff(NamedOptions(command, false));
        if (const CliCommandReference* reference = FindCliReference(path)) {
            out += ExamplesRoff(reference->examples);
        }
    });
    return out;
}

std::string JsonRoff(const CLI::App& cli) {
    std::string out;
    std::string silent;
    Walk(cli, "", [&](const std::string& path, const CLI::App& command) {
        const CliCommandReference* reference = FindCliReference(path);
        if (reference == nullptr || reference->json.empty()) {
            if (command.get_require_subcommand_min() == 0) {
                std::string name = "\\fB" + RoffCode(path) + "\\fR";
                ReplaceAll(name, " ", "\\~");
                silent += (silent.empty() ? "" : ", ") + name;
            }
            return;
        }
        out += ".SS \"" + path + "\"\n";
        for (const CliJsonField& field : reference->json) {
            out += ".TP\n.B " + RoffCode(field.path) + "\n" + RoffText(field.meaning) + "\n";
        }
    });
    if (!silent.empty()) {
        out +=
            ".PP\nThese commands print nothing with \\fB\\-\\-json\\fR; their exit status "
            "tells the result: " +
            silent + ".\n";
    }
    return out;
}

std::string Words(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words) {
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

}  // namespace

std::vector<std::string> CliCommandPaths(const CLI::App& cli) {
    std::vector<std::string> paths;
    Walk(cli, "", [&paths](const std::string& path, const CLI::App&) { paths.push_back(path); });
    return paths;
}

void AddCliExamples(CLI::App& cli) {
    const std::string programFooter = cli.get_footer();
    std::function<void(CLI::App&, const std::string&)> apply = [&](CLI::App& app,
                                                                   const std::string& path) {
        if (const CliCommandReference* reference = FindCliReference(path)) {
            std::string footer = reference->examples.size() == 1 ? "Example:\n" : "Examples:\n";
            for (const std::string& example : reference->examples) {
                footer += "  zanvorctl " + example + "\n";
            }
            app.footer(footer + "\n" + programFooter);
        }
        for (CLI::App* sub :
             app.get_subcommands([](CLI::App* s) { return !s->get_name().empty(); })) {
            apply(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name());
        }
    };
    apply(cli, "");
}

std::string CliManualPage(const CLI::App& cli, const std::string& templateText,
                          const std::string& version) {
    std::string page = templateText;
    ReplaceAll(page, "@VERSION@", version);
    ReplaceAll(page, "@GLOBAL_OPTIONS@", OptionsRoff(NamedOptions(cli, true)));
    ReplaceAll(page, "@COMMANDS@", CommandsRoff(cli));
    ReplaceAll(page, "@JSON_OUTPUT@", JsonRoff(cli));
    return page;
}

std::string CliBashCompletion(const CLI::App& cli, const std::vector<int>& deviceTypes) {
    // Command paths as the script spells them: "" for the program, "/profile/add", ...
    std::vector<std::pair<std::string, const CLI::App*>> commands{{"", &cli}};
    Walk(cli, "", [&commands](const std::string& path, const CLI::App& command) {
        std::string slashed = "/" + path;
        for (char& c : slashed) {
            c = c == ' ' ? '/' : c;
        }
        commands.emplace_back(slashed, &command);
    });

    std::ostringstream out;
    out << "# bash completion for zanvorctl, made from its grammar when it was built.\n"
           "_zanvorctl() {\n"
           "    local cur prev path word i words files\n"
           "    cur=${COMP_WORDS[COMP_CWORD]}\n"
           "    prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    path=\n"
           "    # The command typed so far: the words that continue a known command path.\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        word=${COMP_WORDS[i]}\n"
           "        case \"$path/$word\" in\n"
           "            ";
    for (size_t i = 1; i < commands.size(); ++i) {
        out << (i > 1 ? "|" : "") << commands[i].first;
    }
    out << ") path=$path/$word ;;\n"
           "        esac\n"
           "    done\n"
           "    # The value of an option: a fixed set, file names, device types or nothing.\n"
           "    case \"$path:$prev\" in\n";
    for (const auto& [slashed, command] : commands) {
        for (const CLI::Option* option : NamedOptions(*command, false)) {
            if (!TakesValue(*option)) {
                continue;
            }
            std::string patterns;
            for (const std::string& name : option->get_lnames()) {
                patterns += (patterns.empty() ? "\"" : "|\"") + slashed + ":--" + name + "\"";
            }
            for (const std::string& name : option->get_snames()) {
                patterns += (patterns.empty() ? "\"" : "|\"") + slashed + ":-" + name + "\"";
            }
            std::vector<std::string> values = Choices(*option);
            const bool isDevice = command == &cli && option->get_lnames().size() == 1 &&
                                  option->get_lnames()[0] == "device";
            if (isDevice) {
                for (int type : deviceTypes) {
                    values.push_back(std::to_string(type));
                }
            }
            out << "        " << patterns << ")\n";
            if (!values.empty()) {
                out << "            COMPREPLY=($(compgen -W \"" << Words(values)
                    << "\" -- \"$cur\"))\n";
            } else if (ValueName(*option).find("FILE") != std::string::npos ||
                       option->get_description().find("FILE") != std::string::npos) {
                out << "            compopt -o filenames 2>/dev/null\n"
                       "            COMPREPLY=($(compgen -f -- \"$cur\"))\n";
            } else {
                out << "            COMPREPLY=()\n";
            }
            out << "            return ;;\n";
        }
    }
    out << "    esac\n"
           "    # The words that may follow: subcommands, options, fixed values, file names.\n"
           "    case \"$path\" in\n";
    for (const auto& [slashed, command] : commands) {
        std::vector<std::string> words;
        bool files = false;
        for (const CLI::App* sub : Subcommands(*command)) {
            words.push_back(sub->get_name());
        }
        for (const CLI::Option* positional : Positionals(*command)) {
            for (const std::string& choice : Choices(*positional)) {
                words.push_back(choice);
            }
            files = files || positional->get_name(true).find("FILE") != std::string::npos;
        }
        for (const CLI::Option* option : NamedOptions(*command, true)) {
            for (const std::string& name : option->get_lnames()) {
                words.push_back("--" + name);
            }
        }
        if (command == &cli) {
            words.push_back("--simulate");  // taken out before the grammar sees the line
        }
        out << "        \"" << slashed << "\") words=\"" << Words(words) << "\""
            << (files ? "; files=1" : "") << " ;;\n";
    }
    out << "    esac\n"
           "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "    if [ -n \"$files\" ]; then\n"
           "        compopt -o filenames 2>/dev/null\n"
           "        COMPREPLY+=($(compgen -f -- \"$cur\"))\n"
           "    fi\n"
           "}\n"
           "complete -F _zanvorctl zanvorctl\n";
    return out.str();
}

}  // namespace zanvor
