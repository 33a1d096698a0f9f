// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOptions.h"

#include <charconv>
#include <cmath>

#include "model/Errors.h"

namespace tonvera::cli {

namespace {

// Numbers on the command line take a point or a comma.
std::optional<double> number(std::string text)
{
    for (char& c : text)
        if (c == ',')
            c = '.';
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

struct CommandShape {
    const char* name;
    std::size_t files;
};
constexpr CommandShape Commands[] = {{"check", 1},  {"play", 1},  {"simulate", 1},
                                     {"render", 2}, {"ports", 0}, {"calibrate", 0}};

} // namespace

const char* UsageText()
{
    return "Aufruf:\n"
           "  tonvera-cli check PROJEKT.tva [--cal DATEI.cal] [--variablen-zuerst]\n"
           "      prüft alle Parameter an allen Variablenpositionen; Ende 0 ohne Befund, 1 mit Befund\n"
           "  tonvera-cli play PROJEKT.tva --port PORT [--cal DATEI.cal] [--timeout SEKUNDEN]\n"
           "                   [--firmware DATEI.hex] [--variablen-zuerst] [--journal DATEI.tsv]\n"
           "      initialisiert das Gerät, lädt das Signal, startet und verfolgt den Lauf bis zum Ende;\n"
           "      mit --journal eine Zeile je Darbietung (Beginn und Ende) an DATEI.tsv angehängt\n"
           "  tonvera-cli simulate PROJEKT.tva\n"
           "      Gesamtdauer und Länge und Triggerzeiten jeder Position\n"
           "  tonvera-cli render PROJEKT.tva AUSGABE.wav [--rate HZ] [--cal DATEI.cal]\n"
           "                   [--max-seconds SEKUNDEN] [--float] [--variablen-zuerst]\n"
           "      spielt den Lauf im Signalmodell des Emulators und schreibt ihn als WAV-Datei\n"
           "      (Kanal 1 Signalausgang, Kanal 2 Triggerausgang)\n"
           "  tonvera-cli ports [--json | --emulator-link]\n"
           "      listet die seriellen Anschlüsse mit Gerätebeschreibung, einen je Zeile;\n"
           "      mit --json als JSON; mit --emulator-link nur den Pfad, auf dem der Emulator\n"
           "      standardmäßig seinen Anschluss anlegt\n"
           "  tonvera-cli calibrate --port PORT (--meter | --mic GERÄT) --out DATEI.cal\n"
           "                   [--frequencies 125,250,...] [--at DB] [--max DB] [--level-at-0db DB]\n"
           "                   [--mic-sensitivity DBFS]\n"
           "      misst je Frequenz den Pegel eines geeichten Sinus (--meter: Anzeige des\n"
           "      Schallpegelmessers eintippen; --mic: ALSA-Aufnahmegerät, erst der Kalibrator mit\n"
           "      94 dB SPL bei 1000 Hz, außer mit --mic-sensitivity, dem Pegel in dBFS bei 94 dB SPL),\n"
           "      prüft die gefundene Tabelle und speichert sie mit Protokoll und Kurvenbild\n"
           "\n"
           "  --variablen-zuerst  Priorität \"Variablen->Wieder.\" (sonst \"Wieder.->Variablen\")\n"
           "  --order ascending|random|\"3 1 4 2\"  Reihenfolge der Positionen beim Durchlaufen\n"
           "                      (check, play, simulate, render; sonst die des Projekts)\n"
           "  --seed N            Startwert der zufälligen Reihenfolge (sonst der des Projekts\n"
           "                      oder ein neu gezogener)\n"
           "  Ohne --cal wird keine Kalibrierung verwendet.\n"
           "\n"
           "Rückgabewerte: 0 in Ordnung, 1 Befund oder Fehler, 2 falscher Aufruf oder Datei nicht lesbar,\n"
           "  3 Zeitlimit erreicht, 4 Lauf beendet, aber mit Signalüberlauf (check: Überlauf im Gerätemodell),\n"
           "  130 abgebrochen (Strg-C)\n";
}

void ApplyOrderOptions(const CliOptions& options, OrderSetting& order)
{
    if (options.order) {
        order.Kind = *options.order;
        if (*options.order == OrderKind::List)
            order.List = options.orderList;
    }
    if (options.seed)
        order.Seed = *options.seed;
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args)
{
    ParseOutcome out;
    CliOptions& o = out.options;
    auto fail = [&](const std::string& text) {
        out.error = text;
        return out;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // An empty value names no file and no port: asked for, not opened.
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--cal" || a == "--port" || a == "--firmware" || a == "--journal") {
            if (!value(v))
                return fail("Option " + a + " braucht einen Wert");
            (a == "--cal" ? o.cal : a == "--port" ? o.port : a == "--firmware" ? o.firmware : o.journal) = v;
        } else if (a == "--timeout" || a == "--rate" || a == "--max-seconds") {
            if (!value(v))
                return fail("Option " + a + " braucht einen Wert");
            const auto n = number(v);
            if (!n || *n <= 0)
                return fail("Option " + a + ": '" + QuotedInput(v) + "' ist keine positive Zahl");
            if (a == "--timeout")
                o.timeoutSeconds = *n;
            else if (a == "--rate")
                o.rate = *n;
            else
                o.maxSeconds = *n;
        } else if (a == "--mic" || a == "--out") {
            if (!value(v))
                return fail("Option " + a + " braucht einen Wert");
            (a == "--mic" ? o.mic : o.out) = v;
        } else if (a == "--meter") {
            o.meter = true;
        } else if (a == "--frequencies") {
            if (!value(v))
                return fail("Option " + a + " braucht einen Wert");
            o.frequencies.clear();
            std::size_t from = 0;
            for (;;) {
                const std::size_t comma = v.find(',', from);
                const std::string item = v.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
                const auto n = number(item);
                if (!n || *n <= 0)
                    return fail("Option --frequencies: '" + QuotedInput(item) + "' ist keine positive Zahl");
                o.frequencies.push_back(*n);
                if (comma == std::string::npos)
                    break;
                from = comma + 1;
            }
        } else if (a == "--at" || a == "--max" || a == "--level-at-0db" || a == "--mic-sensitivity") {
            if (!value(v))
                return fail("Option " + a + " braucht einen Wert");
            const auto n = number(v);
            if (!n)
                return fail("Option " + a + ": '" + QuotedInput(v) + "' ist keine Zahl");
            (a == "--at"             ? o.attenuation
             : a == "--max"          ? o.maxLevel
             : a == "--level-at-0db" ? o.levelAt0dB
                                     : o.micSensitivity) = *n;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--emulator-link") {
            o.emulatorLink = true;
        } else if (a == "--float") {
            o.floatSamples = true;
        } else if (a == "--order") {
            if (!value(v))
                return fail("Option --order braucht einen Wert");
            if (v == "ascending" || v == "aufsteigend") {
                o.order = OrderKind::Ascending;
            } else if (v == "random" || v == "zufällig") {
                o.order = OrderKind::Random;
            } else {
                // Its entries are checked against the project's positions.
                o.order = OrderKind::List;
                o.orderList = v;
            }
        } else if (a == "--seed") {
            if (!value(v))
                return fail("Option --seed braucht einen Wert");
            try {
                (void)ParseSeed(v);
            } catch (const AbortError& e) {
                return fail("Option --seed: " + e.text());
            }
            o.seed = v;
        } else if (a == "--variablen-zuerst") {
            o.priority = Priority::Variablezuerst;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("Unbekannte Option " + QuotedInput(a));
        } else if (o.command.empty()) {
            o.command = a;
        } else {
            o.files.push_back(a);
        }
    }
    if (o.help || o.version)
        return out;
    if (o.command.empty())
        return fail("Kein Befehl angegeben");
    for (const CommandShape& c : Commands) {
        if (o.command != c.name)
            continue;
        if (o.files.size() != c.files)
            return fail(std::string("Befehl ") + c.name + " erwartet " +
                        (c.files == 0   ? "keine Datei"
                         : c.files == 1 ? "eine Projektdatei"
                                        : "eine Projektdatei und eine WAV-Datei"));
        if (o.command == "calibrate") {
            if (!o.port || !o.out)
                return fail("Befehl calibrate braucht --port und --out");
            if (o.meter == o.mic.has_value())
                return fail("Befehl calibrate braucht entweder --meter oder --mic GERÄT");
        }
        if (o.command == "play" && !o.port)
            return fail("Befehl play braucht --port");
        if (o.command == "render" && (o.rate < 1000 || o.rate > 1'000'000))
            return fail("Option --rate: die Abtastrate muss zwischen 1000 und 1000000 Hz liegen");
        return out;
    }
    return fail("Unbekannter Befehl " + QuotedInput(o.command));
}

} // namespace tonvera::cli
