<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QObject</name>
    <message>
        <source>Settings files (*.json)</source>
        <translation>Einstellungsdateien (*.json)</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Einstellungen speichern</translation>
    </message>
    <message>
        <source>Load settings</source>
        <translation>Einstellungen laden</translation>
    </message>
    <message>
        <source>The default sweep: throttle 40 to 200 by 20</source>
        <translation>Standarddurchlauf: Gas 40 bis 200 in Schritten von 20</translation>
    </message>
    <message>
        <source>The last script: %1</source>
        <translation>Das letzte Skript: %1</translation>
    </message>
    <message>
        <source>A script file…</source>
        <translation>Eine Skriptdatei…</translation>
    </message>
    <message>
        <source>Bench run</source>
        <translation>Prüfstandslauf</translation>
    </message>
    <message>
        <source>Bench-run script</source>
        <translation>Prüfstandsskript</translation>
    </message>
    <message>
        <source>Scripts (*.json)</source>
        <translation>Skripte (*.json)</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keiner</translation>
    </message>
    <message>
        <source>&amp;Run:</source>
        <translation>&amp;Ausführen:</translation>
    </message>
    <message>
        <source>Bench &amp;sensor:</source>
        <translation>Prüfstands&amp;sensor:</translation>
    </message>
    <message>
        <source>&amp;Baud rate:</source>
        <translation>&amp;Baudrate:</translation>
    </message>
</context>
<context>
    <name>Str_Const</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
</context>
<context>
    <name>velmar::BenchChartWindow</name>
    <message>
        <source>Mean speed per step; bars from min to max</source>
        <translation>Mittlere Drehzahl je Schritt; Balken von Minimum bis Maximum</translation>
    </message>
    <message>
        <source>The run stopped early: %1</source>
        <translation>Der Lauf endete vorzeitig: %1</translation>
    </message>
    <message>
        <source>Throttle</source>
        <translation>Gas</translation>
    </message>
    <message>
        <source>r/min</source>
        <translation>U/min</translation>
    </message>
    <message>
        <source>This run</source>
        <translation>Dieser Lauf</translation>
    </message>
    <message>
        <source>Compared run</source>
        <translation>Vergleichslauf</translation>
    </message>
    <message>
        <source>Compared: %1</source>
        <translation>Vergleich: %1</translation>
    </message>
    <message>
        <source>Bench run</source>
        <translation>Prüfstandslauf</translation>
    </message>
    <message>
        <source>&amp;Compare with…</source>
        <translation>&amp;Vergleichen mit…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>&amp;Exportieren…</translation>
    </message>
    <message>
        <source>Compare with a bench result</source>
        <translation>Mit einem Prüfstandsergebnis vergleichen</translation>
    </message>
    <message>
        <source>Bench results (*.csv);;All files (*)</source>
        <translation>Prüfstandsergebnisse (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Export the chart</source>
        <translation>Diagramm exportieren</translation>
    </message>
    <message>
        <source>PNG picture (*.png);;SVG drawing (*.svg)</source>
        <translation>PNG-Bild (*.png);;SVG-Zeichnung (*.svg)</translation>
    </message>
    <message>
        <source>%1 (interrupted)</source>
        <translation>%1 (abgebrochen)</translation>
    </message>
    <message>
        <source>Thrust (g)</source>
        <translation>Schub (g)</translation>
    </message>
    <message>
        <source>Current (A)</source>
        <translation>Strom (A)</translation>
    </message>
    <message>
        <source>Power (W)</source>
        <translation>Leistung (W)</translation>
    </message>
    <message>
        <source>Efficiency (g/W)</source>
        <translation>Wirkungsgrad (g/W)</translation>
    </message>
    <message>
        <source>Mean per step: %1</source>
        <translation>Mittelwert je Stufe: %1</translation>
    </message>
    <message>
        <source>%1; r/min on the right</source>
        <translation>%1; U/min rechts</translation>
    </message>
    <message>
        <source>This run: r/min</source>
        <translation>Dieser Lauf: U/min</translation>
    </message>
    <message>
        <source>C&amp;urve:</source>
        <translation>K&amp;urve:</translation>
    </message>
</context>
<context>
    <name>velmar::FleetWindow</name>
    <message>
        <source>cutoff voltage</source>
        <translation>Abschaltspannung</translation>
    </message>
    <message>
        <source>brake</source>
        <translation>Bremse</translation>
    </message>
    <message>
        <source>timing advance</source>
        <translation>Motor-Timing</translation>
    </message>
    <message>
        <source>cutoff type</source>
        <translation>Abschaltart</translation>
    </message>
    <message>
        <source>rotation direction</source>
        <translation>Drehrichtung</translation>
    </message>
    <message>
        <source>several ESCs</source>
        <translation>mehrere Regler</translation>
    </message>
    <message>
        <source>ESCs</source>
        <translation>Regler</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>What the ESCs hold after the last writes.</source>
        <translation>Was die Regler nach den letzten Schreibvorgängen halten.</translation>
    </message>
    <message>
        <source>&amp;Load from file</source>
        <translation>Aus Datei &amp;laden</translation>
    </message>
    <message>
        <source>&amp;Save to file</source>
        <translation>In Datei &amp;speichern</translation>
    </message>
    <message>
        <source>&amp;Copy from…</source>
        <translation>&amp;Kopieren von…</translation>
    </message>
    <message>
        <source>Reads a settings file, shows what it changes on each ESC and on OK writes it.</source>
        <translation>Liest eine Einstellungsdatei, zeigt, was sie an jedem Regler ändert, und schreibt sie mit OK.</translation>
    </message>
    <message>
        <source>Writes the ESCs&apos; common settings, or one ESC&apos;s, to a settings file.</source>
        <translation>Schreibt die gemeinsamen Einstellungen der Regler, oder die eines Reglers, in eine Einstellungsdatei.</translation>
    </message>
    <message>
        <source>Gives every other ESC one ESC&apos;s five settings.</source>
        <translation>Gibt allen anderen Reglern die fünf Einstellungen eines Reglers.</translation>
    </message>
    <message>
        <source>differs</source>
        <translation>abweichend</translation>
    </message>
    <message>
        <source>%1 of %2 connected</source>
        <translation>%1 von %2 verbunden</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>abgelehnt</translation>
    </message>
    <message>
        <source>lost</source>
        <translation>verloren</translation>
    </message>
    <message>
        <source>%1 does not open</source>
        <translation>%1 lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>%1, %2: %3</source>
        <translation>%1, %2: %3</translation>
    </message>
    <message>
        <source>, differs from the others</source>
        <translation>, weicht von den anderen ab</translation>
    </message>
    <message>
        <source>, writing</source>
        <translation>, wird geschrieben</translation>
    </message>
    <message>
        <source>, written and confirmed</source>
        <translation>, geschrieben und bestätigt</translation>
    </message>
    <message>
        <source>, refused by the ESC, which holds this</source>
        <translation>, vom Regler abgelehnt, der diesen Wert hält</translation>
    </message>
    <message>
        <source>, the write was lost</source>
        <translation>, der Schreibvorgang ging verloren</translation>
    </message>
    <message>
        <source>No ESC&apos;s port opened.</source>
        <translation>Kein Anschluss eines Reglers ließ sich öffnen.</translation>
    </message>
    <message>
        <source>Writing and reading back…</source>
        <translation>Schreiben und Zurücklesen…</translation>
    </message>
    <message>
        <source>%1 of %2 ESCs hold every setting</source>
        <translation>%1 von %2 Reglern halten jede Einstellung</translation>
    </message>
    <message>
        <source>; %1 kept %2: %3</source>
        <translation>; %1 behielt %2: %3</translation>
    </message>
    <message>
        <source>; %1: a write was lost</source>
        <translation>; %1: ein Schreibvorgang ging verloren</translation>
    </message>
    <message>
        <source>%1 of %2 ESCs read</source>
        <translation>%1 von %2 Reglern gelesen</translation>
    </message>
    <message numerus="yes">
        <source>; %n setting(s) differ</source>
        <translation>
            <numerusform>; %n Einstellung weicht ab</numerusform>
            <numerusform>; %n Einstellungen weichen ab</numerusform>
        </translation>
    </message>
    <message>
        <source>No ESC has been read yet.</source>
        <translation>Noch kein Regler wurde gelesen.</translation>
    </message>
    <message>
        <source>%1: not read, left out</source>
        <translation>%1: nicht gelesen, ausgelassen</translation>
    </message>
    <message>
        <source>%1: %2 %3 → %4</source>
        <translation>%1: %2 %3 → %4</translation>
    </message>
    <message>
        <source>%1: already holds these settings</source>
        <translation>%1: hält diese Einstellungen bereits</translation>
    </message>
    <message>
        <source>Write to %1 as well: it is a %2, the settings are from a %3</source>
        <translation>Auch auf %1 schreiben: Er ist ein %2, die Einstellungen stammen von einem %3</translation>
    </message>
    <message>
        <source>Not loaded: %1</source>
        <translation>Nicht geladen: %1</translation>
    </message>
    <message>
        <source>Load settings</source>
        <translation>Einstellungen laden</translation>
    </message>
    <message>
        <source>Saved to %1.</source>
        <translation>Gespeichert in %1.</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Einstellungen speichern</translation>
    </message>
    <message>
        <source>The ESCs differ. Save the settings of:</source>
        <translation>Die Regler unterscheiden sich. Die Einstellungen speichern von:</translation>
    </message>
    <message>
        <source>Copy settings</source>
        <translation>Einstellungen kopieren</translation>
    </message>
    <message>
        <source>Give every other ESC the settings of:</source>
        <translation>Allen anderen Reglern die Einstellungen geben von:</translation>
    </message>
    <message>
        <source>One column for each ESC; “All” shows what they share, and ≠ marks a setting on which they differ. A value chosen in an ESC&apos;s cell (Enter or F2) goes to that ESC, one chosen in “All” to every ESC that differs; each write is read back. This window never drives a motor: it sends no throttle.</source>
        <translation>Eine Spalte je Regler; „Alle“ zeigt, was sie gemeinsam haben, und ≠ kennzeichnet eine Einstellung, in der sie sich unterscheiden. Ein in der Zelle eines Reglers gewählter Wert (Eingabe oder F2) geht an diesen Regler, einer in „Alle“ an jeden abweichenden Regler; jeder Schreibvorgang wird zurückgelesen. Dieses Fenster treibt nie einen Motor an: Es sendet kein Gas.</translation>
    </message>
</context>
<context>
    <name>velmar::FormQKconfig</name>
    <message>
        <source>&amp;Config</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source> &amp;Run</source>
        <translation> &amp;Motortest</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>Config: the ESC&apos;s settings. Run: the motor test.</source>
        <translation>Einstellungen: die Einstellungen des Reglers. Motortest: der Motor am Prüfstand.</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Anschluss:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Hardware:</source>
        <translation>Hardware:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Serial port</source>
        <translation>Serieller Anschluss</translation>
    </message>
    <message>
        <source>The port the ESC is on; choosing one connects to it.</source>
        <translation>Der Anschluss, an dem der Regler hängt; die Auswahl verbindet mit ihm.</translation>
    </message>
    <message>
        <source>Connection status</source>
        <translation>Verbindungsstatus</translation>
    </message>
    <message>
        <source>Whether an ESC answers on the port.</source>
        <translation>Ob an dem Anschluss ein Regler antwortet.</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>The ESC&apos;s model and hardware version.</source>
        <translation>Modell und Hardwareversion des Reglers.</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>The ESC&apos;s firmware version.</source>
        <translation>Die Firmwareversion des Reglers.</translation>
    </message>
    <message>
        <source>1.Cutoff Voltage</source>
        <translation>1.Abschaltspannung</translation>
    </message>
    <message>
        <source>4.8V</source>
        <translation>4.8V</translation>
    </message>
    <message>
        <source>5.6V *</source>
        <translation>5.6V *</translation>
    </message>
    <message>
        <source>6.0V</source>
        <translation>6.0V</translation>
    </message>
    <message>
        <source>7.2V</source>
        <translation>7.2V</translation>
    </message>
    <message>
        <source>8.4V</source>
        <translation>8.4V</translation>
    </message>
    <message>
        <source>9.0V</source>
        <translation>9.0V</translation>
    </message>
    <message>
        <source>11.0V</source>
        <translation>11.0V</translation>
    </message>
    <message>
        <source>12.0V</source>
        <translation>12.0V</translation>
    </message>
    <message>
        <source>2.Brake</source>
        <translation>2.Bremse</translation>
    </message>
    <message>
        <source>Disable *</source>
        <translation>Aus *</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>3.Timing Advance</source>
        <translation>3.Motor-Timing</translation>
    </message>
    <message>
        <source>4-10°</source>
        <translation>4-10°</translation>
    </message>
    <message>
        <source>10-20° *</source>
        <translation>10-20° *</translation>
    </message>
    <message>
        <source>20-30°</source>
        <translation>20-30°</translation>
    </message>
    <message>
        <source>4.Cutoff Type</source>
        <translation>4.Abschaltart</translation>
    </message>
    <message>
        <source>Hard Cutoff</source>
        <translation>Hart</translation>
    </message>
    <message>
        <source>Soft Cutoff *</source>
        <translation>Sanft *</translation>
    </message>
    <message>
        <source>5.Rotation Direction</source>
        <translation>5.Drehrichtung</translation>
    </message>
    <message>
        <source>Forward *</source>
        <translation>Vorwärts *</translation>
    </message>
    <message>
        <source>Reverse</source>
        <translation>Rückwärts</translation>
    </message>
    <message>
        <source>R&amp;estore Default</source>
        <translation>&amp;Werkseinstellung</translation>
    </message>
    <message>
        <source>&amp;Save to file</source>
        <translation>In Datei &amp;speichern</translation>
    </message>
    <message>
        <source>&amp;Load from file</source>
        <translation>Aus Datei &amp;laden</translation>
    </message>
    <message>
        <source>Cutoff voltage</source>
        <translation>Abschaltspannung</translation>
    </message>
    <message>
        <source>The battery voltage at which the ESC cuts the motor&apos;s power. * marks the default.</source>
        <translation>Die Akkuspannung, bei der der Regler die Motorleistung abschaltet. * kennzeichnet die Werkseinstellung.</translation>
    </message>
    <message>
        <source>Brake</source>
        <translation>Bremse</translation>
    </message>
    <message>
        <source>Whether the motor is braked when the throttle closes.</source>
        <translation>Ob der Motor gebremst wird, wenn das Gas zurückgenommen wird.</translation>
    </message>
    <message>
        <source>Timing advance</source>
        <translation>Motor-Timing</translation>
    </message>
    <message>
        <source>The motor&apos;s commutation timing advance, in electrical degrees.</source>
        <translation>Die Vorverstellung der Kommutierung des Motors, in elektrischen Grad.</translation>
    </message>
    <message>
        <source>Cutoff type</source>
        <translation>Abschaltart</translation>
    </message>
    <message>
        <source>Hard: the power stops at the cutoff voltage. Soft: it is reduced gradually.</source>
        <translation>Hart: Die Leistung endet bei der Abschaltspannung. Sanft: Sie wird allmählich verringert.</translation>
    </message>
    <message>
        <source>Rotation direction</source>
        <translation>Drehrichtung</translation>
    </message>
    <message>
        <source>The motor&apos;s direction of rotation.</source>
        <translation>Die Drehrichtung des Motors.</translation>
    </message>
    <message>
        <source>Restore default</source>
        <translation>Werkseinstellung</translation>
    </message>
    <message>
        <source>Selects the default entry of every setting and writes them to the ESC.</source>
        <translation>Wählt bei jeder Einstellung die Werkseinstellung und schreibt alle in den Regler.</translation>
    </message>
    <message>
        <source>Motor Magnet Poles:</source>
        <translation>Polzahl des Motors:</translation>
    </message>
    <message>
        <source>Rev:</source>
        <translation>Drehzahl:</translation>
    </message>
    <message>
        <source>r/min</source>
        <translation>U/min</translation>
    </message>
    <message>
        <source>Throttle:</source>
        <translation>Gas:</translation>
    </message>
    <message>
        <source>Motor magnet poles</source>
        <translation>Polzahl des Motors</translation>
    </message>
    <message>
        <source>The motor&apos;s number of magnet poles, which turns the ESC&apos;s reading into r/min.</source>
        <translation>Die Zahl der Magnetpole des Motors; mit ihr wird der Messwert des Reglers in U/min umgerechnet.</translation>
    </message>
    <message>
        <source>Motor magnet poles, 2 to 24</source>
        <translation>Polzahl des Motors, 2 bis 24</translation>
    </message>
    <message>
        <source>Up and Down change it by 2.</source>
        <translation>Die Pfeiltasten auf und ab ändern sie um 2.</translation>
    </message>
    <message>
        <source>Speed in r/min</source>
        <translation>Drehzahl in U/min</translation>
    </message>
    <message>
        <source>The motor&apos;s speed, averaged over its last readings.</source>
        <translation>Die Drehzahl des Motors, gemittelt über die letzten Messungen.</translation>
    </message>
    <message>
        <source>Throttle, 0 to 200</source>
        <translation>Gas, 0 bis 200</translation>
    </message>
    <message>
        <source>The throttle sent to the ESC. Page Up and Page Down move it by 5.</source>
        <translation>Das Gas, das an den Regler geht. Bild auf und Bild ab ändern es um 5.</translation>
    </message>
    <message>
        <source>The throttle the slider is set to.</source>
        <translation>Das am Schieberegler eingestellte Gas.</translation>
    </message>
    <message>
        <source>Speed trend</source>
        <translation>Drehzahlverlauf</translation>
    </message>
    <message>
        <source>The speed over the last 30 seconds.</source>
        <translation>Die Drehzahl der letzten 30 Sekunden.</translation>
    </message>
    <message>
        <source>Could not open:</source>
        <translation>Nicht zu öffnen:</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Einstellungen speichern</translation>
    </message>
    <message>
        <source>Saved to %1.</source>
        <translation>Gespeichert in %1.</translation>
    </message>
    <message>
        <source>Not loaded: %1</source>
        <translation>Nicht geladen: %1</translation>
    </message>
    <message>
        <source>Load settings</source>
        <translation>Einstellungen laden</translation>
    </message>
    <message>
        <source>%1: %2 → %3</source>
        <translation>%1: %2 → %3</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>The ESC already holds these settings: nothing to change.</source>
        <translation>Der Regler hat diese Einstellungen bereits: nichts zu ändern.</translation>
    </message>
    <message>
        <source>Change on the ESC:
%1</source>
        <translation>Am Regler ändern:
%1</translation>
    </message>
    <message>
        <source>

Warning: the file is from a %1, this ESC is a %2.</source>
        <translation>

Achtung: Die Datei stammt von einem %1, dieser Regler ist ein %2.</translation>
    </message>
    <message>
        <source>unknown ESC</source>
        <translation>unbekannter Regler</translation>
    </message>
    <message numerus="yes">
        <source>Writing %n setting(s) to the ESC…</source>
        <translation>
            <numerusform>Schreibe %n Einstellung in den Regler…</numerusform>
            <numerusform>Schreibe %n Einstellungen in den Regler…</numerusform>
        </translation>
    </message>
    <message>
        <source>The ESC confirmed every setting.</source>
        <translation>Der Regler hat jede Einstellung bestätigt.</translation>
    </message>
    <message>
        <source>The ESC did not take: %1.</source>
        <translation>Der Regler hat nicht übernommen: %1.</translation>
    </message>
    <message>
        <source>Writes the connected ESC&apos;s settings to a settings file.</source>
        <translation>Schreibt die Einstellungen des verbundenen Reglers in eine Einstellungsdatei.</translation>
    </message>
    <message>
        <source>Reads a settings file, shows what it changes and on OK writes it to the ESC.</source>
        <translation>Liest eine Einstellungsdatei, zeigt, was sie ändert, und schreibt sie nach OK in den Regler.</translation>
    </message>
    <message>
        <source>What Save and Load did.</source>
        <translation>Was Speichern und Laden bewirkt haben.</translation>
    </message>
    <message>
        <source>stopped by the user</source>
        <translation>vom Benutzer angehalten</translation>
    </message>
    <message>
        <source>left the Run page</source>
        <translation>Motortest-Seite verlassen</translation>
    </message>
    <message>
        <source>&amp;Bench run…</source>
        <translation>&amp;Prüfstandslauf…</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>The run record stopped: %1</source>
        <translation>Die Laufaufzeichnung wurde beendet: %1</translation>
    </message>
    <message>
        <source>Cannot write the results: %1</source>
        <translation>Die Ergebnisse können nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Step %1 of %2: throttle %3, about %4 s left</source>
        <translation>Schritt %1 von %2: Gas %3, noch etwa %4 s</translation>
    </message>
    <message>
        <source>Bench run done: %1</source>
        <translation>Prüfstandslauf fertig: %1</translation>
    </message>
    <message>
        <source>Bench run stopped (%1): %2</source>
        <translation>Prüfstandslauf angehalten (%1): %2</translation>
    </message>
    <message>
        <source>The ESC did not confirm the stop: the motor may still be running.</source>
        <translation>Der Regler hat den Stopp nicht bestätigt: Der Motor läuft möglicherweise noch.</translation>
    </message>
    <message>
        <source>The motor is still stopping: start the bench run once it stands.</source>
        <translation>Der Motor hält noch an: Starten Sie den Prüflauf, sobald er steht.</translation>
    </message>
    <message>
        <source>the window closed</source>
        <translation>das Fenster wurde geschlossen</translation>
    </message>
    <message>
        <source>the port changed</source>
        <translation>der Anschluss wurde gewechselt</translation>
    </message>
    <message>
        <source>Bench sensor</source>
        <translation>Prüfstandssensor</translation>
    </message>
    <message>
        <source>The bench sensor&apos;s latest reading during a run, its zero at rest taken off.</source>
        <translation>Der letzte Messwert des Prüfstandssensors während eines Laufs, abzüglich seines Nullwerts im Stillstand.</translation>
    </message>
    <message>
        <source>This script&apos;s limits watch a bench sensor: choose the sensor&apos;s port.</source>
        <translation>Die Grenzwerte dieses Skripts überwachen einen Prüfstandssensor: Wählen Sie den Anschluss des Sensors.</translation>
    </message>
    <message>
        <source>The bench sensor cannot be used: %1</source>
        <translation>Der Prüfstandssensor kann nicht verwendet werden: %1</translation>
    </message>
    <message>
        <source>Thrust %1</source>
        <translation>Schub %1</translation>
    </message>
    <message>
        <source>Current %1</source>
        <translation>Strom %1</translation>
    </message>
    <message>
        <source>Voltage %1</source>
        <translation>Spannung %1</translation>
    </message>
    <message>
        <source>Power %1</source>
        <translation>Leistung %1</translation>
    </message>
</context>
<context>
    <name>velmar::SpeedTrendView</name>
    <message>
        <source>%1 r/min</source>
        <translation>%1 U/min</translation>
    </message>
    <message>
        <source>last %1 s</source>
        <translation>letzte %1 s</translation>
    </message>
</context>
</TS>
