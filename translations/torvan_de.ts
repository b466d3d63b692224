<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDlg</name>
    <message>
        <source>About Torvan</source>
        <translation>Über Torvan</translation>
    </message>
    <message>
        <source>What Torvan Does</source>
        <translation>Was Torvan tut</translation>
    </message>
    <message>
        <source>Converts historical financial data in ASCII form to data in MetaStock or CompuTrac format</source>
        <translation>Wandelt historische Kursdaten aus ASCII-Textdateien in Daten im MetaStock- oder CompuTrac-Format um</translation>
    </message>
    <message>
        <source>Legal Stuff</source>
        <translation>Rechtliches</translation>
    </message>
    <message>
        <source>This program is protected by copyright law and international treaties.

MetaStock is a registered trademark and CompuTrac a trademark of their respective owners. Torvan is not affiliated with or endorsed by them.</source>
        <translation>Dieses Programm ist durch das Urheberrecht und internationale Verträge geschützt.

MetaStock ist eine eingetragene Marke, CompuTrac eine Marke ihrer jeweiligen Inhaber. Torvan steht mit ihnen in keiner Verbindung und wird nicht von ihnen unterstützt.</translation>
    </message>
    <message>
        <source>Torvan Version</source>
        <translation>Torvan Version</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>Written by
the Torvan project
and its contributors</source>
        <translation>Geschrieben vom
Torvan-Projekt
und seinen Mitwirkenden</translation>
    </message>
    <message>
        <source>Write to the Torvan project</source>
        <translation>Schreiben Sie dem Torvan-Projekt</translation>
    </message>
    <message>
        <source>Visit the Torvan web page</source>
        <translation>Besuchen Sie die Torvan-Webseite</translation>
    </message>
</context>
<context>
    <name>ChooseDir</name>
    <message>
        <source>Choose Directory</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>Directory &amp;name:</source>
        <translation>Ordner&amp;name:</translation>
    </message>
    <message>
        <source>Dri&amp;ves:</source>
        <translation>&amp;Laufwerke:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>Open an existing document
Open</source>
        <translation>Eine vorhandene Kursdatei öffnen
Öffnen</translation>
    </message>
    <message>
        <source>File conversion settings
Settings</source>
        <translation>Einstellungen der Konvertierung
Einstellungen</translation>
    </message>
    <message>
        <source>Tutorial
Tutorial</source>
        <translation>Einführung
Einführung</translation>
    </message>
    <message>
        <source>Quit the application; prompts to save documents
Exit</source>
        <translation>Das Programm beenden
Beenden</translation>
    </message>
    <message>
        <source>Clear Window
Clear Window</source>
        <translation>Fenster leeren
Fenster leeren</translation>
    </message>
    <message>
        <source>List Help topics
Help Topics</source>
        <translation>Die Hilfethemen zeigen
Hilfethemen</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright
About</source>
        <translation>Programminformationen, Versionsnummer und Copyright anzeigen
Über</translation>
    </message>
    <message>
        <source>Display help for current task or command
Help</source>
        <translation>Hilfe zur aktuellen Aufgabe oder zum Befehl anzeigen
Hilfe</translation>
    </message>
    <message>
        <source>Display help for clicked on buttons, menus and windows
Help</source>
        <translation>Hilfe zu angeklickten Schaltflächen, Menüs und Fenstern anzeigen
Hilfe</translation>
    </message>
    <message>
        <source>Create a new document
New</source>
        <translation>Ein neues Dokument anlegen
Neu</translation>
    </message>
    <message>
        <source>Save the active document
Save</source>
        <translation>Das aktive Dokument speichern
Speichern</translation>
    </message>
    <message>
        <source>Copy the selection and put it on the Clipboard
Copy</source>
        <translation>Die Auswahl in die Zwischenablage kopieren
Kopieren</translation>
    </message>
    <message>
        <source>Cut the selection and put it on the Clipboard
Cut</source>
        <translation>Die Auswahl ausschneiden und in die Zwischenablage legen
Ausschneiden</translation>
    </message>
    <message>
        <source>Insert Clipboard contents
Paste</source>
        <translation>Den Inhalt der Zwischenablage einfügen
Einfügen</translation>
    </message>
    <message>
        <source>Undo the last action
Undo</source>
        <translation>Die letzte Aktion rückgängig machen
Rückgängig</translation>
    </message>
    <message>
        <source>Switch to the next window pane
Next Pane</source>
        <translation>Zum nächsten Fensterbereich wechseln
Nächster Bereich</translation>
    </message>
    <message>
        <source>Switch back to the previous window pane
Previous Pane</source>
        <translation>Zum vorigen Fensterbereich zurückwechseln
Voriger Bereich</translation>
    </message>
    <message>
        <source>Open this document</source>
        <translation>Diese Datei öffnen</translation>
    </message>
    <message>
        <source>For Help, press F1</source>
        <translation>Hilfe erhalten Sie mit F1</translation>
    </message>
    <message>
        <source>Select an object on which to get Help</source>
        <translation>Wählen Sie aus, wozu Sie Hilfe möchten</translation>
    </message>
    <message>
        <source>Convert several price files with the current settings, each named by its file
Convert Several Files</source>
        <translation>Mehrere Kursdateien mit den aktuellen Einstellungen umwandeln, jede nach ihrem Dateinamen benannt
Mehrere Dateien umwandeln</translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>&amp;Öffnen...	Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Settings...	F2</source>
        <translation>&amp;Einstellungen...	F2</translation>
    </message>
    <message>
        <source>&amp;Tutorial	F3</source>
        <translation>Ein&amp;führung	F3</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>Zuletzt geöffnete Datei</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Clear Window</source>
        <translation>Fenster &amp;leeren</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Help Topics</source>
        <translation>&amp;Hilfethemen</translation>
    </message>
    <message>
        <source>&amp;About Torvan...</source>
        <translation>Ü&amp;ber Torvan...</translation>
    </message>
    <message>
        <source>Convert Se&amp;veral Files...</source>
        <translation>Mehrere Dateien &amp;umwandeln...</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Please enter an integer between {low} and {high}.</source>
        <extracomment>IntegerOutOfRange: low high</extracomment>
        <translation>Bitte geben Sie eine ganze Zahl zwischen {low} und {high} ein.</translation>
    </message>
    <message>
        <source>The column of {field} must be an integer between {low} and {high}, also while {field} is switched off. Tick {field} to correct it.</source>
        <extracomment>SwitchedOffColumnOutOfRange: field low high</extracomment>
        <translation>Die Spalte von {field} muss eine ganze Zahl zwischen {low} und {high} sein, auch solange {field} abgeschaltet ist. Haken Sie {field} an, um sie zu korrigieren.</translation>
    </message>
    <message>
        <source>Enter no more than {limit} characters.</source>
        <extracomment>TextTooLong: limit</extracomment>
        <translation>Geben Sie höchstens {limit} Zeichen ein.</translation>
    </message>
    <message>
        <source>The input file&apos;s path is longer than {limit} characters:
{path}</source>
        <extracomment>InputPathTooLong: limit path</extracomment>
        <translation>Der Pfad der Eingabedatei ist länger als {limit} Zeichen:
{path}</translation>
    </message>
    <message>
        <source>Duplicate columns specified
Correct or disable</source>
        <extracomment>DuplicateColumns</extracomment>
        <translation>Spalten mehrfach angegeben
Korrigieren oder abschalten</translation>
    </message>
    <message>
        <source>You did not enter a valid symbol</source>
        <extracomment>InvalidSymbol</extracomment>
        <translation>Sie haben kein gültiges Symbol eingegeben</translation>
    </message>
    <message>
        <source>Please enter path</source>
        <extracomment>EnterPath
----------
PathMissing</extracomment>
        <translation>Bitte geben Sie einen Pfad ein</translation>
    </message>
    <message>
        <source>The date format &quot;{format}&quot; is not one of {list}.</source>
        <extracomment>UnknownDateFormat: format list</extracomment>
        <translation>Das Datumsformat „{format}“ ist keines von {list}.</translation>
    </message>
    <message>
        <source>A decimal comma can only be read with CSV reading.</source>
        <extracomment>DecimalCommaWithoutCsv</extracomment>
        <translation>Ein Dezimalkomma kann nur mit CSV-Lesart gelesen werden.</translation>
    </message>
    <message>
        <source>A file with a ticker column cannot be reversed: its lines belong to many securities.
Sort each ticker&apos;s lines oldest day first and convert the file without reversing.</source>
        <extracomment>ReverseWithTickerColumn</extracomment>
        <translation>Eine Datei mit Ticker-Spalte kann nicht umgekehrt werden: Ihre Zeilen gehören zu vielen Wertpapieren.
Sortieren Sie die Zeilen jedes Tickers mit dem ältesten Tag zuerst und konvertieren Sie die Datei ohne Umkehren.</translation>
    </message>
    <message>
        <source>The ticker &quot;{ticker}&quot; cannot be a symbol: a symbol has at most {limit} characters and no control characters.
Its lines were not converted.</source>
        <extracomment>TickerNotASymbol: ticker limit</extracomment>
        <translation>Der Ticker „{ticker}“ kann kein Symbol sein: Ein Symbol hat höchstens {limit} Zeichen und keine Steuerzeichen.
Seine Zeilen wurden nicht konvertiert.</translation>
    </message>
    <message>
        <source>{count} lines have no ticker and were not converted.
The first is line {first} of the input file.</source>
        <extracomment>LinesWithoutTicker: count first</extracomment>
        <translation>{count} Zeilen haben keinen Ticker und wurden nicht konvertiert.
Die erste ist Zeile {first} der Eingabedatei.</translation>
    </message>
    <message>
        <source>{count} line has no ticker and was not converted.
The first is line {first} of the input file.</source>
        <extracomment>LinesWithoutTicker: count first</extracomment>
        <translation>{count} Zeile hat keinen Ticker und wurde nicht konvertiert.
Es ist Zeile {first} der Eingabedatei.</translation>
    </message>
    <message>
        <source>Your original input file will be 
saved with the extension BAK.

Then the file will be reversed so
the oldest entry is first.</source>
        <extracomment>ReverseNote</extracomment>
        <translation>Ihre ursprüngliche Eingabedatei wird
mit der Endung BAK gesichert.

Dann wird die Datei umgekehrt, sodass
der älteste Eintrag zuerst steht.</translation>
    </message>
    <message>
        <source>If your original input file expresses
months as three-letter strings then Torvan will 
automatically translate this to two-digit months. 

Your original source file will not be changed.</source>
        <extracomment>MonthNamesNote</extracomment>
        <translation>Wenn Ihre Eingabedatei Monate als
Kürzel aus drei Buchstaben schreibt, setzt Torvan
sie selbst in zweistellige Monate um.

Ihre ursprüngliche Datei wird nicht verändert.</translation>
    </message>
    <message>
        <source>Torvan could not find the layout of the input file.

{reason}

The settings have not been changed.</source>
        <extracomment>DetectionFailed: reason</extracomment>
        <translation>Torvan konnte den Aufbau der Eingabedatei nicht erkennen.

{reason}

Die Einstellungen wurden nicht verändert.</translation>
    </message>
    <message>
        <source>The settings now show the layout read from the input file.{findings}

Check the settings and confirm with OK.</source>
        <extracomment>DetectionWarnings: findings</extracomment>
        <translation>Die Einstellungen zeigen jetzt den Aufbau, der in der Eingabedatei erkannt wurde.{findings}

Prüfen Sie die Einstellungen und bestätigen Sie mit OK.</translation>
    </message>
    <message>
        <source>{path} is not a valid pathname.</source>
        <extracomment>InvalidPathName: path</extracomment>
        <translation>{path} ist kein gültiger Pfadname.</translation>
    </message>
    <message>
        <source>Directory {path} does not exist.
Create this directory?</source>
        <extracomment>CreateDirectory: path</extracomment>
        <translation>Der Ordner {path} existiert nicht.
Soll er angelegt werden?</translation>
    </message>
    <message>
        <source>There was a problem creating {path}.
The new directory was not created.</source>
        <extracomment>CreateDirectoryFailed: path</extracomment>
        <translation>Beim Anlegen von {path} trat ein Problem auf.
Der neue Ordner wurde nicht angelegt.</translation>
    </message>
    <message>
        <source>Cannot open the file:
{path}

{reason}</source>
        <extracomment>CannotOpenFile: path reason</extracomment>
        <translation>Die Datei kann nicht geöffnet werden:
{path}

{reason}</translation>
    </message>
    <message>
        <source>Conversion completed successfully!</source>
        <extracomment>ConversionSucceeded</extracomment>
        <translation>Die Konvertierung wurde erfolgreich abgeschlossen!</translation>
    </message>
    <message>
        <source>Conversion failed.</source>
        <extracomment>ConversionFailed</extracomment>
        <translation>Die Konvertierung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>There was not enough memory to finish, and the work was stopped.</source>
        <extracomment>OutOfMemory</extracomment>
        <translation>Der Arbeitsspeicher reichte nicht aus, und die Arbeit wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The work was stopped by an unexpected error:
{reason}</source>
        <extracomment>UnexpectedFailure: reason</extracomment>
        <translation>Die Arbeit wurde durch einen unerwarteten Fehler abgebrochen:
{reason}</translation>
    </message>
    <message>
        <source>The conversion reported no error, but the new security {symbol} cannot be read back from the database as it was written:
{path}
Run torvan-cli check on the database folder.</source>
        <extracomment>ReadBackFailed: symbol path</extracomment>
        <translation>Die Konvertierung meldete keinen Fehler, aber das neue Wertpapier {symbol} lässt sich nicht so aus der Datenbank zurücklesen, wie es geschrieben wurde:
{path}
Prüfen Sie den Datenbankordner mit torvan-cli check.</translation>
    </message>
    <message>
        <source>{symbol} was written as {file}: {records} price records from {first} to {last}, in the database folder
{directory}</source>
        <extracomment>ConversionWritten: symbol file records first last directory</extracomment>
        <translation>{symbol} wurde als {file} geschrieben: {records} Kursdatensätze vom {first} bis {last}, im Datenbankordner
{directory}</translation>
    </message>
    <message>
        <source>This folder holds no database whose securities can be listed (no readable MASTER file):
{path}</source>
        <extracomment>DatabaseUnlisted: path</extracomment>
        <translation>Dieser Ordner enthält keine Datenbank, deren Wertpapiere sich auflisten lassen (keine lesbare MASTER-Datei):
{path}</translation>
    </message>
    <message>
        <source>Another conversion is writing to this database:
{path}
Try again when it has finished.</source>
        <extracomment>DatabaseBusy: path</extracomment>
        <translation>Eine andere Konvertierung schreibt gerade in diese Datenbank:
{path}
Versuchen Sie es erneut, wenn sie fertig ist.</translation>
    </message>
    <message>
        <source>This database cannot be locked against other conversions: its lock file is not a plain file.
{path}
Remove it and try again.</source>
        <extracomment>LockFileNotAFile: path</extracomment>
        <translation>Diese Datenbank kann nicht gegen andere Konvertierungen gesperrt werden: Ihre Sperrdatei ist keine gewöhnliche Datei.
{path}
Entfernen Sie sie und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>This database cannot be locked against other conversions: its lock file cannot be created or opened ({reason}).
{path}</source>
        <extracomment>CannotLockDatabase: path reason</extracomment>
        <translation>Diese Datenbank kann nicht gegen andere Konvertierungen gesperrt werden: Ihre Sperrdatei lässt sich nicht anlegen oder öffnen ({reason}).
{path}</translation>
    </message>
    <message>
        <source>An earlier conversion into this database was interrupted, and what it left cannot be cleared away:
{path}</source>
        <extracomment>InterruptedConversionLeftovers: path</extracomment>
        <translation>Eine frühere Konvertierung in diese Datenbank wurde unterbrochen, und was sie hinterließ, lässt sich nicht aufräumen:
{path}</translation>
    </message>
    <message>
        <source>An earlier conversion into this database was interrupted, and it can only be finished once no other conversion is reversing its input file:
{path}
Try again when that conversion has finished.</source>
        <extracomment>InterruptedConversionInputBusy: path</extracomment>
        <translation>Eine frühere Konvertierung in diese Datenbank wurde unterbrochen und kann erst abgeschlossen werden, wenn keine andere Konvertierung ihre Eingabedatei mehr umkehrt:
{path}
Versuchen Sie es erneut, wenn jene Konvertierung fertig ist.</translation>
    </message>
    <message>
        <source>An earlier conversion into this database was interrupted, and it cannot be finished while this file or its folder cannot be found:
{path}
If the folder was moved, or is on a disk that is not attached, put it back and try again.</source>
        <extracomment>InterruptedConversionOutOfReach: path</extracomment>
        <translation>Eine frühere Konvertierung in diese Datenbank wurde unterbrochen und kann nicht abgeschlossen werden, solange diese Datei oder ihr Ordner nicht zu finden ist:
{path}
Wurde der Ordner verschoben oder liegt er auf einem nicht angeschlossenen Laufwerk, stellen Sie ihn wieder bereit und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Path does not exist</source>
        <extracomment>PathDoesNotExist: path</extracomment>
        <translation>Der Pfad existiert nicht</translation>
    </message>
    <message>
        <source>The output directory path is too long ({length} characters; at most {limit} are allowed):
{path}</source>
        <extracomment>OutputPathTooLong: length limit path</extracomment>
        <translation>Der Pfad des Ausgabeordners ist zu lang ({length} Zeichen; höchstens {limit} sind erlaubt):
{path}</translation>
    </message>
    <message>
        <source>Path specified does not point to a Master file</source>
        <extracomment>NoMasterFile: path</extracomment>
        <translation>Der angegebene Pfad führt zu keiner Master-Datei</translation>
    </message>
    <message>
        <source>New Master chosen but one already exists</source>
        <extracomment>MasterExists: path</extracomment>
        <translation>Neue Master-Datei gewählt, aber es gibt schon eine</translation>
    </message>
    <message>
        <source>New Master chosen but the directory already holds an {file} file:
{path}</source>
        <extracomment>IndexFileExists: path file</extracomment>
        <translation>Neue Master-Datei gewählt, aber der Ordner enthält schon eine {file}-Datei:
{path}</translation>
    </message>
    <message>
        <source>You need to select more columns</source>
        <extracomment>MoreColumnsNeeded</extracomment>
        <translation>Sie müssen mehr Spalten wählen</translation>
    </message>
    <message>
        <source>The column of the {field} field must be between 1 and {columns}.</source>
        <extracomment>ColumnOutOfRange: field columns</extracomment>
        <translation>Die Spalte des Feldes {field} muss zwischen 1 und {columns} liegen.</translation>
    </message>
    <message>
        <source>Duplicate Symbol Failure

The symbol you have chosen for
the conversion already exists.

Choose a different symbol or
rename/delete the existing symbol</source>
        <extracomment>DuplicateSymbol</extracomment>
        <translation>Symbol bereits vorhanden

Das Symbol, das Sie für die
Konvertierung gewählt haben, gibt es schon.

Wählen Sie ein anderes Symbol oder
benennen Sie das vorhandene um bzw. löschen Sie es</translation>
    </message>
    <message>
        <source>Cannot read the Master file, so the symbol could not be checked:
{path}</source>
        <extracomment>CannotCheckSymbol: path</extracomment>
        <translation>Die Master-Datei kann nicht gelesen werden, daher konnte das Symbol nicht geprüft werden:
{path}</translation>
    </message>
    <message>
        <source>The input file is read-only, so its lines cannot be reversed:
{path}
Make it writable, or convert without reversing.</source>
        <extracomment>InputReadOnly: path</extracomment>
        <translation>Die Eingabedatei ist schreibgeschützt, daher kann ihre Reihenfolge nicht umgekehrt werden:
{path}
Machen Sie sie beschreibbar oder konvertieren Sie ohne Umkehren.</translation>
    </message>
    <message>
        <source>The folder of the input file does not allow new files, so its lines cannot be reversed:
{path}</source>
        <extracomment>InputFolderReadOnly: path</extracomment>
        <translation>Im Ordner der Eingabedatei dürfen keine neuen Dateien angelegt werden, daher kann ihre Reihenfolge nicht umgekehrt werden:
{path}</translation>
    </message>
    <message>
        <source>The input file belongs to another user; reversing its lines would make it yours:
{path}
Copy it, or convert without reversing.</source>
        <extracomment>InputOwnedByOtherUser: path</extracomment>
        <translation>Die Eingabedatei gehört einem anderen Benutzer; das Umkehren ihrer Zeilen würde sie zu Ihrer machen:
{path}
Kopieren Sie sie oder konvertieren Sie ohne Umkehren.</translation>
    </message>
    <message>
        <source>Another conversion is reversing this input file:
{path}
Try again when it has finished.</source>
        <extracomment>InputBusy: path</extracomment>
        <translation>Eine andere Konvertierung kehrt gerade diese Eingabedatei um:
{path}
Versuchen Sie es erneut, wenn sie fertig ist.</translation>
    </message>
    <message>
        <source>The input file cannot be locked against other conversions: its lock file is not a plain file.
{path}
Remove it and try again.</source>
        <extracomment>InputLockNotAFile: path</extracomment>
        <translation>Die Eingabedatei kann nicht gegen andere Konvertierungen gesperrt werden: Ihre Sperrdatei ist keine gewöhnliche Datei.
{path}
Entfernen Sie sie und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The input file cannot be locked against other conversions: its lock file cannot be created or opened ({reason}).
{path}</source>
        <extracomment>CannotLockInput: path reason</extracomment>
        <translation>Die Eingabedatei kann nicht gegen andere Konvertierungen gesperrt werden: Ihre Sperrdatei lässt sich nicht anlegen oder öffnen ({reason}).
{path}</translation>
    </message>
    <message>
        <source>Cannot open the Master file:
{path}</source>
        <extracomment>CannotOpenMasterFile: path</extracomment>
        <translation>Die Master-Datei kann nicht geöffnet werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot read the Master file:
{path}</source>
        <extracomment>CannotReadMasterFile: path</extracomment>
        <translation>Die Master-Datei kann nicht gelesen werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot write the journal file (is the disk full?):
{path}</source>
        <extracomment>CannotWriteJournal: path</extracomment>
        <translation>Die Journaldatei kann nicht geschrieben werden (ist das Laufwerk voll?):
{path}</translation>
    </message>
    <message>
        <source>Cannot create the file:
{path}</source>
        <extracomment>CannotCreateFile: path</extracomment>
        <translation>Die Datei kann nicht angelegt werden:
{path}</translation>
    </message>
    <message>
        <source>Permission denied: this file or its folder may not be written:
{path}
Nothing was changed in the database.</source>
        <extracomment>WritePermissionDenied: path</extracomment>
        <translation>Zugriff verweigert: Diese Datei oder ihr Ordner darf nicht beschrieben werden:
{path}
In der Datenbank wurde nichts verändert.</translation>
    </message>
    <message>
        <source>The file system is read-only, so this file cannot be written:
{path}
Nothing was changed in the database.</source>
        <extracomment>ReadOnlyFileSystem: path</extracomment>
        <translation>Das Dateisystem ist schreibgeschützt, daher kann diese Datei nicht geschrieben werden:
{path}
In der Datenbank wurde nichts verändert.</translation>
    </message>
    <message>
        <source>The disk is full (or your disk quota is used up), so this file cannot be written:
{path}
Nothing was changed in the database.</source>
        <extracomment>DiskFull: path</extracomment>
        <translation>Das Laufwerk ist voll (oder Ihr Speicherkontingent ist erschöpft), daher kann diese Datei nicht geschrieben werden:
{path}
In der Datenbank wurde nichts verändert.</translation>
    </message>
    <message>
        <source>There is no new security to put in place.</source>
        <extracomment>NothingToCommit</extracomment>
        <translation>Es gibt kein neues Wertpapier, das eingetragen werden könnte.</translation>
    </message>
    <message>
        <source>Cannot write the temporary file (is the disk full?):
{path}</source>
        <extracomment>CannotWriteTemporaryFile: path</extracomment>
        <translation>Die temporäre Datei kann nicht geschrieben werden (ist das Laufwerk voll?):
{path}</translation>
    </message>
    <message>
        <source>Another program changed this file during the conversion, so nothing was written:
{path}</source>
        <extracomment>FileChangedMeanwhile: path</extracomment>
        <translation>Ein anderes Programm hat diese Datei während der Konvertierung verändert, daher wurde nichts geschrieben:
{path}</translation>
    </message>
    <message>
        <source>Cannot replace the file, and the files replaced before it could not all be restored:
{path}
The next conversion into this database restores them.</source>
        <extracomment>CannotRestoreReplacedFiles: path</extracomment>
        <translation>Die Datei kann nicht ersetzt werden, und die vor ihr ersetzten Dateien ließen sich nicht alle wiederherstellen:
{path}
Die nächste Konvertierung in diese Datenbank stellt sie wieder her.</translation>
    </message>
    <message>
        <source>Cannot replace the file:
{path}</source>
        <extracomment>CannotReplaceFile: path</extracomment>
        <translation>Die Datei kann nicht ersetzt werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot read the index file:
{path}</source>
        <extracomment>CannotReadIndexFile: path</extracomment>
        <translation>Die Indexdatei kann nicht gelesen werden:
{path}</translation>
    </message>
    <message>
        <source>The entry count in the header of this index file ({counted}) disagrees with the entries the file holds ({held}), so nothing was added to the database:
{path}
Run torvan-cli check on the database folder to see what is wrong.</source>
        <extracomment>IndexCountDisagrees: path counted held</extracomment>
        <translation>Die Zahl der Einträge im Kopf dieser Indexdatei ({counted}) stimmt nicht mit den Einträgen überein, die die Datei enthält ({held}), daher wurde der Datenbank nichts hinzugefügt:
{path}
Prüfen Sie den Datenbankordner mit torvan-cli check, um den Fehler zu sehen.</translation>
    </message>
    <message>
        <source>The symbol {symbol} is longer than the {limit} characters that EMASTER and XMASTER hold.
Choose a shorter symbol.</source>
        <extracomment>SymbolTooLongForIndex: symbol limit</extracomment>
        <translation>Das Symbol {symbol} ist länger als die {limit} Zeichen, die EMASTER und XMASTER fassen.
Wählen Sie ein kürzeres Symbol.</translation>
    </message>
    <message>
        <source>The EMASTER file does not match MASTER (it lists {known} securities, MASTER {listed}), so programs do not use its long names.
It was left as it is; the new security is listed in MASTER.
{path}</source>
        <extracomment>EMasterOutOfStep: path known listed</extracomment>
        <translation>Die EMASTER-Datei passt nicht zu MASTER (sie führt {known} Wertpapiere, MASTER {listed}), daher nutzen Programme ihre langen Namen nicht.
Sie blieb unverändert; das neue Wertpapier steht in MASTER.
{path}</translation>
    </message>
    <message>
        <source>The EMASTER file lacked the last {added} securities of MASTER; they were added to it, so that programs show the long names again.
{path}</source>
        <extracomment>EMasterCompleted: path added</extracomment>
        <translation>Der EMASTER-Datei fehlten die letzten {added} Wertpapiere aus MASTER; sie wurden ergänzt, damit Programme die langen Namen wieder zeigen.
{path}</translation>
    </message>
    <message>
        <source>This portfolio already has the
maximum number of symbols (255).
Choose a different or new portfolio.

An XMASTER index beside MASTER holds more securities; torvan-cli convert --xmaster makes one.</source>
        <extracomment>PortfolioFull: path</extracomment>
        <translation>Dieses Portfolio hat bereits die
höchste Zahl an Symbolen (255).
Wählen Sie ein anderes oder neues Portfolio.

Ein XMASTER-Index neben MASTER fasst mehr Wertpapiere; torvan-cli convert --xmaster legt einen an.</translation>
    </message>
    <message>
        <source>The file is not an XMASTER index, so no security can be added to it:
{path}</source>
        <extracomment>NotAnXMaster: path</extracomment>
        <translation>Die Datei ist kein XMASTER-Index, daher kann ihr kein Wertpapier hinzugefügt werden:
{path}</translation>
    </message>
    <message>
        <source>The XMASTER index has no free file number left:
{path}</source>
        <extracomment>XMasterFull: path</extracomment>
        <translation>Der XMASTER-Index hat keine freie Dateinummer mehr:
{path}</translation>
    </message>
    <message>
        <source>Cannot open the input file:
{path}</source>
        <extracomment>CannotOpenInputFile: path</extracomment>
        <translation>Die Eingabedatei kann nicht geöffnet werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot read the input file:
{path}</source>
        <extracomment>CannotReadInputFile: path</extracomment>
        <translation>Die Eingabedatei kann nicht gelesen werden:
{path}</translation>
    </message>
    <message>
        <source>The input is not a regular file but a device, a pipe or a socket, which Torvan does not read:
{path}</source>
        <extracomment>InputNotAFile: path</extracomment>
        <translation>Die Eingabe ist keine gewöhnliche Datei, sondern ein Gerät, eine Pipe oder ein Socket, was Torvan nicht liest:
{path}</translation>
    </message>
    <message>
        <source>Line {line} of the input file is longer than {limit} bytes, which no price line is; the file is not read:
{path}</source>
        <extracomment>LineTooLong: line path limit</extracomment>
        <translation>Zeile {line} der Eingabedatei ist länger als {limit} Bytes, was keine Kurszeile ist; die Datei wird nicht gelesen:
{path}</translation>
    </message>
    <message>
        <source>Cannot create the temporary file:
{path}</source>
        <extracomment>CannotCreateTemporaryFile: path</extracomment>
        <translation>Die temporäre Datei kann nicht angelegt werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot give the temporary file the permissions of the input file:
{path}</source>
        <extracomment>CannotKeepInputPermissions: path</extracomment>
        <translation>Die temporäre Datei kann nicht die Zugriffsrechte der Eingabedatei erhalten:
{path}</translation>
    </message>
    <message>
        <source>Cannot make the backup copy of the input file:
{path}</source>
        <extracomment>CannotBackUpInputFile: path</extracomment>
        <translation>Die Sicherungskopie der Eingabedatei kann nicht angelegt werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot replace the input file with its reversed lines:
{path}</source>
        <extracomment>CannotReplaceInputFile: path</extracomment>
        <translation>Die Eingabedatei kann nicht durch ihre umgekehrten Zeilen ersetzt werden:
{path}</translation>
    </message>
    <message>
        <source>The security {symbol} was not added to the Master file:
{path}</source>
        <extracomment>SecurityNotAdded: symbol path</extracomment>
        <translation>Das Wertpapier {symbol} wurde nicht in die Master-Datei eingetragen:
{path}</translation>
    </message>
    <message>
        <source>Cannot open the data file:
{path}</source>
        <extracomment>CannotOpenDataFile: path</extracomment>
        <translation>Die Datendatei kann nicht geöffnet werden:
{path}</translation>
    </message>
    <message>
        <source>Cannot write to the data file (is the disk full?):
{path}</source>
        <extracomment>CannotWriteDataFile: path</extracomment>
        <translation>In die Datendatei kann nicht geschrieben werden (ist das Laufwerk voll?):
{path}</translation>
    </message>
    <message>
        <source>Line {line} of the input file has a date column of {length} characters, more than any date has.
Nothing was converted.</source>
        <extracomment>DateColumnTooLong: line length</extracomment>
        <translation>Zeile {line} der Eingabedatei hat eine Datumsspalte von {length} Zeichen, mehr als ein Datum je hat.
Es wurde nichts konvertiert.</translation>
    </message>
    <message>
        <source>You specified a numeric-only date format
but a non-numeric date character was found.</source>
        <extracomment>NumericOnlyDateFormat</extracomment>
        <translation>Sie haben ein rein numerisches Datumsformat gewählt,
aber im Datum steht ein Zeichen, das keine Ziffer ist.</translation>
    </message>
    <message>
        <source>You specified a character-separated date format
but only numeric date characters were found.</source>
        <extracomment>SeparatedDateFormat</extracomment>
        <translation>Sie haben ein Datumsformat mit Trennzeichen gewählt,
aber im Datum stehen nur Ziffern.</translation>
    </message>
    <message>
        <source>The input has more price lines than a data file can hold ({limit}); line {line} is the first beyond them.
Nothing was converted.</source>
        <extracomment>TooManyPriceLines: limit line</extracomment>
        <translation>Die Eingabe hat mehr Kurszeilen, als eine Datendatei fassen kann ({limit}); Zeile {line} ist die erste darüber hinaus.
Es wurde nichts konvertiert.</translation>
    </message>
    <message>
        <source>No price lines were found in the input file:
{path}</source>
        <extracomment>NoPriceLines: path</extracomment>
        <translation>In der Eingabedatei wurden keine Kurszeilen gefunden:
{path}</translation>
    </message>
    <message>
        <source>{count} lines have no valid date in the chosen date format and were not converted.
The first is line {first} of the input file.</source>
        <extracomment>LinesWithoutDate: count first</extracomment>
        <translation>{count} Zeilen haben kein gültiges Datum im gewählten Datumsformat und wurden nicht konvertiert.
Die erste ist Zeile {first} der Eingabedatei.</translation>
    </message>
    <message>
        <source>{count} line has no valid date in the chosen date format and was not converted.
The first is line {first} of the input file.</source>
        <extracomment>LinesWithoutDate: count first</extracomment>
        <translation>{count} Zeile hat kein gültiges Datum im gewählten Datumsformat und wurde nicht konvertiert.
Es ist Zeile {first} der Eingabedatei.</translation>
    </message>
    <message>
        <source>{count} lines have a date but no price (no open, high, low or close is a number) and were not converted.
The first is line {first} of the input file.</source>
        <extracomment>LinesWithoutPrice: count first</extracomment>
        <translation>{count} Zeilen haben ein Datum, aber keinen Kurs (weder Eröffnung, Hoch, Tief noch Schluss ist eine Zahl) und wurden nicht konvertiert.
Die erste ist Zeile {first} der Eingabedatei.</translation>
    </message>
    <message>
        <source>{count} line has a date but no price (no open, high, low or close is a number) and was not converted.
The first is line {first} of the input file.</source>
        <extracomment>LinesWithoutPrice: count first</extracomment>
        <translation>{count} Zeile hat ein Datum, aber keinen Kurs (weder Eröffnung, Hoch, Tief noch Schluss ist eine Zahl) und wurde nicht konvertiert.
Es ist Zeile {first} der Eingabedatei.</translation>
    </message>
    <message>
        <source>{count} lines have fewer columns than the settings need; their missing fields were stored as 0. The first is line {first}.</source>
        <extracomment>LinesMissingColumns: count first</extracomment>
        <translation>{count} Zeilen haben weniger Spalten, als die Einstellungen brauchen; ihre fehlenden Felder wurden als 0 gespeichert. Die erste ist Zeile {first}.</translation>
    </message>
    <message>
        <source>{count} line has fewer columns than the settings need; its missing fields were stored as 0. It is line {first}.</source>
        <extracomment>LinesMissingColumns: count first</extracomment>
        <translation>{count} Zeile hat weniger Spalten, als die Einstellungen brauchen; ihre fehlenden Felder wurden als 0 gespeichert. Es ist Zeile {first}.</translation>
    </message>
    <message>
        <source>The records of {symbol} hold fields that the lines of a daily price file cannot give (a time of day, or fields its description file names otherwise), so no days were added to it:
{path}</source>
        <extracomment>SecurityNotUpdatable: symbol path</extracomment>
        <translation>Die Datensätze von {symbol} enthalten Felder, die die Zeilen einer Datei mit Tageskursen nicht liefern können (eine Uhrzeit oder Felder, die ihre Beschreibungsdatei anders benennt), daher wurden keine Tage ergänzt:
{path}</translation>
    </message>
    <message>
        <source>The price file of {symbol} does not hold the records its header counts, so no days were added to it (&apos;torvan-cli check&apos; tells more):
{path}</source>
        <extracomment>PriceFileCountDisagrees: symbol path</extracomment>
        <translation>Die Kursdatei von {symbol} enthält nicht die Datensätze, die ihr Kopf zählt, daher wurden keine Tage ergänzt (&apos;torvan-cli check&apos; sagt mehr):
{path}</translation>
    </message>
    <message>
        <source>{count} new records of {symbol} have no value in the file for {fields}; those fields were stored as 0.</source>
        <extracomment>SecurityFieldsNotInFile: count symbol fields</extracomment>
        <translation>{count} neue Datensätze von {symbol} haben in der Datei keinen Wert für {fields}; diese Felder wurden als 0 gespeichert.</translation>
    </message>
    <message>
        <source>{count} new record of {symbol} has no value in the file for {fields}; those fields were stored as 0.</source>
        <extracomment>SecurityFieldsNotInFile: count symbol fields</extracomment>
        <translation>{count} neuer Datensatz von {symbol} hat in der Datei keinen Wert für {fields}; diese Felder wurden als 0 gespeichert.</translation>
    </message>
    <message>
        <source>{count} days of the file on or before the last stored date of {symbol} differ from what it holds; they were kept as stored. The first is {first}.</source>
        <extracomment>UpdateDaysDiffer: count symbol first</extracomment>
        <translation>{count} Tage der Datei am oder vor dem letzten gespeicherten Datum von {symbol} weichen vom Gespeicherten ab; es blieb, wie es war. Der erste ist der {first}.</translation>
    </message>
    <message>
        <source>{count} day of the file on or before the last stored date of {symbol} differs from what it holds; it was kept as stored. It is {first}.</source>
        <extracomment>UpdateDaysDiffer: count symbol first</extracomment>
        <translation>{count} Tag der Datei am oder vor dem letzten gespeicherten Datum von {symbol} weicht vom Gespeicherten ab; es blieb, wie es war. Es ist der {first}.</translation>
    </message>
    <message>
        <source>{count} stored days of {symbol} were replaced by the file&apos;s. The first is {first}.</source>
        <extracomment>UpdateDaysReplaced: count symbol first</extracomment>
        <translation>{count} gespeicherte Tage von {symbol} wurden durch die der Datei ersetzt. Der erste ist der {first}.</translation>
    </message>
    <message>
        <source>{count} stored day of {symbol} was replaced by the file&apos;s. It is {first}.</source>
        <extracomment>UpdateDaysReplaced: count symbol first</extracomment>
        <translation>{count} gespeicherter Tag von {symbol} wurde durch den der Datei ersetzt. Es ist der {first}.</translation>
    </message>
    <message>
        <source>{count} lines repeat the date (and time) of the line above them or come before it; charting programs need dates in ascending order.
The first is line {first} of the input file. The lines were stored as they are. The file may hold intraday bars read without their time column, several tickers read without their ticker column, or lines that are not in date order.</source>
        <extracomment>LinesOutOfOrder: count first</extracomment>
        <translation>{count} Zeilen wiederholen das Datum (und die Uhrzeit) der Zeile darüber oder liegen davor; Chartprogramme brauchen aufsteigende Daten.
Die erste ist Zeile {first} der Eingabedatei. Die Zeilen wurden so gespeichert, wie sie sind. Die Datei enthält vielleicht Intraday-Balken, die ohne ihre Zeitspalte gelesen wurden, mehrere Ticker, die ohne ihre Ticker-Spalte gelesen wurden, oder Zeilen, die nicht nach Datum geordnet sind.</translation>
    </message>
    <message>
        <source>{count} line repeats the date (and time) of the line above it or comes before it; charting programs need dates in ascending order.
It is line {first} of the input file. It was stored as it is. The file may hold intraday bars read without their time column, several tickers read without their ticker column, or lines that are not in date order.</source>
        <extracomment>LinesOutOfOrder: count first</extracomment>
        <translation>{count} Zeile wiederholt das Datum (und die Uhrzeit) der Zeile darüber oder liegt davor; Chartprogramme brauchen aufsteigende Daten.
Es ist Zeile {first} der Eingabedatei. Sie wurde so gespeichert, wie sie ist. Die Datei enthält vielleicht Intraday-Balken, die ohne ihre Zeitspalte gelesen wurden, mehrere Ticker, die ohne ihre Ticker-Spalte gelesen wurden, oder Zeilen, die nicht nach Datum geordnet sind.</translation>
    </message>
    <message>
        <source>The bar interval of an intraday security must be 1 to 60 minutes, not {minutes}.</source>
        <extracomment>BarIntervalOutOfRange: minutes</extracomment>
        <translation>Das Balkenintervall eines Intraday-Wertpapiers muss 1 bis 60 Minuten betragen, nicht {minutes}.</translation>
    </message>
    <message>
        <source>The bars in {path} are not 1 to 60 minutes apart (their most common spacing: {spacing}), so they cannot be stored as one intraday security.
Give the bar interval in minutes, or build daily bars from the file.</source>
        <extracomment>BarIntervalUnknown: path spacing</extracomment>
        <translation>Die Balken in {path} liegen nicht 1 bis 60 Minuten auseinander (ihr häufigster Abstand: {spacing}), daher können sie nicht als ein Intraday-Wertpapier gespeichert werden.
Geben Sie das Balkenintervall in Minuten an oder bilden Sie Tagesbalken aus der Datei.</translation>
    </message>
    <message>
        <source>The tickers &quot;{first}&quot; and &quot;{second}&quot; would both be the symbol {symbol}: a database does not tell symbols apart by case.
The lines of neither were converted; give one of them another ticker in the file to keep both.</source>
        <extracomment>TickersDifferInCase: first second symbol</extracomment>
        <translation>Die Ticker „{first}“ und „{second}“ ergäben beide das Symbol {symbol}: Eine Datenbank unterscheidet Symbole nicht nach Groß- und Kleinschreibung.
Die Zeilen keines der beiden wurden umgewandelt; geben Sie einem von ihnen in der Datei einen anderen Ticker, um beide zu behalten.</translation>
    </message>
    <message>
        <source>Left alone: the run was cancelled before this file was reached.</source>
        <extracomment>BatchCancelled</extracomment>
        <translation>Unverändert: Der Lauf wurde abgebrochen, bevor diese Datei an der Reihe war.</translation>
    </message>
    <message>
        <source>New days can be added to a security from daily lines only, one line per day.
Switch off the Time column (and Time in the Date Column), or convert the file as a new security.</source>
        <extracomment>UpdateNeedsDailyLines</extracomment>
        <translation>Neue Tage lassen sich einem Wertpapier nur aus Tageszeilen hinzufügen, eine Zeile je Tag.
Schalten Sie die Spalte Zeit (und Zeit in der Datumsspalte) aus, oder wandeln Sie die Datei als neues Wertpapier um.</translation>
    </message>
    <message>
        <source>Update completed successfully!</source>
        <extracomment>UpdateSucceeded</extracomment>
        <translation>Aktualisierung erfolgreich abgeschlossen!</translation>
    </message>
    <message>
        <source>Update failed.</source>
        <extracomment>UpdateFailed</extracomment>
        <translation>Aktualisierung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>New days added to {symbol} in {file}: {added}, from {first} to {last}. Days of the file skipped as equal to the stored ones: {skipped}; differing from them: {differing}. Database folder:
{directory}</source>
        <extracomment>UpdateWritten: added symbol file first last skipped differing directory</extracomment>
        <translation>Neue Tage für {symbol} in {file}: {added}, vom {first} bis {last}. Tage der Datei, die den gespeicherten gleichen und übersprungen wurden: {skipped}; davon abweichend: {differing}. Datenbankordner:
{directory}</translation>
    </message>
    <message>
        <source>No new days were added to {symbol} in {file}: the file has no day after its last stored day, {last}. Days of the file skipped as equal to the stored ones: {skipped}; differing from them: {differing}. Database folder:
{directory}</source>
        <extracomment>UpdateNothingNew: symbol file last skipped differing directory</extracomment>
        <translation>Für {symbol} in {file} wurden keine neuen Tage hinzugefügt: Die Datei hat keinen Tag nach dem letzten gespeicherten, {last}. Tage der Datei, die den gespeicherten gleichen und übersprungen wurden: {skipped}; davon abweichend: {differing}. Datenbankordner:
{directory}</translation>
    </message>
    <message>
        <source>The whole history of {symbol} in {file} was replaced by the file&apos;s: {records} price records from {first} to {last}, in the database folder
{directory}</source>
        <extracomment>UpdateHistoryReplaced: symbol file records first last directory</extracomment>
        <translation>Der gesamte Verlauf von {symbol} in {file} wurde durch den der Datei ersetzt: {records} Kursdatensätze vom {first} bis {last}, im Datenbankordner
{directory}</translation>
    </message>
    <message>
        <source>The database did not hold {symbol}, so it was added as a new security.</source>
        <extracomment>UpdateAddedSecurity: symbol</extracomment>
        <translation>Die Datenbank enthielt {symbol} nicht; es wurde als neues Wertpapier hinzugefügt.</translation>
    </message>
    <message>
        <source>The file holds {count} tickers. Securities added: {added}; failed: {failed}. Database folder:
{directory}</source>
        <extracomment>TickersConverted: count added failed directory</extracomment>
        <translation>Die Datei enthält {count} Ticker. Hinzugefügte Wertpapiere: {added}; fehlgeschlagen: {failed}. Datenbankordner:
{directory}</translation>
    </message>
    <message>
        <source>The file holds {count} ticker. Securities added: {added}; failed: {failed}. Database folder:
{directory}</source>
        <extracomment>TickersConverted: count added failed directory</extracomment>
        <translation>Die Datei enthält {count} Ticker. Hinzugefügte Wertpapiere: {added}; fehlgeschlagen: {failed}. Datenbankordner:
{directory}</translation>
    </message>
    <message>
        <source>The file holds {count} tickers. Securities updated: {updated}; added as new: {added}; failed: {failed}. Database folder:
{directory}</source>
        <extracomment>TickersUpdated: count updated added failed directory</extracomment>
        <translation>Die Datei enthält {count} Ticker. Aktualisierte Wertpapiere: {updated}; neu hinzugefügt: {added}; fehlgeschlagen: {failed}. Datenbankordner:
{directory}</translation>
    </message>
    <message>
        <source>The file holds {count} ticker. Securities updated: {updated}; added as new: {added}; failed: {failed}. Database folder:
{directory}</source>
        <extracomment>TickersUpdated: count updated added failed directory</extracomment>
        <translation>Die Datei enthält {count} Ticker. Aktualisierte Wertpapiere: {updated}; neu hinzugefügt: {added}; fehlgeschlagen: {failed}. Datenbankordner:
{directory}</translation>
    </message>
    <message>
        <source>{symbol} added as {file}: {records} price records from {first} to {last}</source>
        <extracomment>TickerAdded: symbol file records first last</extracomment>
        <translation>{symbol} hinzugefügt als {file}: {records} Kursdatensätze vom {first} bis {last}</translation>
    </message>
    <message>
        <source>{symbol} updated in {file}: new days {added}, skipped as equal {skipped}, differing {differing}</source>
        <extracomment>TickerUpdated: symbol file added skipped differing</extracomment>
        <translation>{symbol} in {file} aktualisiert: neue Tage {added}, als gleich übersprungen {skipped}, abweichend {differing}</translation>
    </message>
    <message>
        <source>{symbol} failed: {reason}</source>
        <extracomment>TickerFailed: symbol reason</extracomment>
        <translation>{symbol} fehlgeschlagen: {reason}</translation>
    </message>
    <message>
        <source>... and {count} more securities (the database panel lists them all).</source>
        <extracomment>TickersNotListed: count</extracomment>
        <translation>... und {count} weitere Wertpapiere (die Datenbankleiste listet alle auf).</translation>
    </message>
    <message>
        <source>... and {count} more security (the database panel lists it).</source>
        <extracomment>TickersNotListed: count</extracomment>
        <translation>... und {count} weiteres Wertpapier (die Datenbankleiste listet es auf).</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>To help you with the conversion settings, your file...</source>
        <translation>Als Hilfe für die Einstellungen der Konvertierung: Ihre Datei...</translation>
    </message>
    <message>
        <source>looks like this...</source>
        <translation>sieht so aus...</translation>
    </message>
</context>
<context>
    <name>SettingsDlg</name>
    <message>
        <source>Conversion Settings</source>
        <translation>Einstellungen der Konvertierung</translation>
    </message>
    <message>
        <source>Input File: Supported Fields and Column Assignments</source>
        <translation>Eingabedatei: Felder und ihre Spalten</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Eröffnung</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Tief</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schluss</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Open Int</source>
        <translation>Open Int</translation>
    </message>
    <message>
        <source>Input File: Detail Settings</source>
        <translation>Eingabedatei: Einzelheiten</translation>
    </message>
    <message>
        <source>Which Column Delimiter Character?</source>
        <translation>Welches Trennzeichen zwischen den Spalten?</translation>
    </message>
    <message>
        <source>Comma</source>
        <translation>Komma</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tabulator</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Leerzeichen</translation>
    </message>
    <message>
        <source>Semicolon</source>
        <translation>Semikolon</translation>
    </message>
    <message>
        <source>Use 3 letter months</source>
        <translation>Monate als 3 Buchstaben</translation>
    </message>
    <message>
        <source>Date Format</source>
        <translation>Datumsformat</translation>
    </message>
    <message>
        <source>Skip Rows</source>
        <translation>Kopfzeilen</translation>
    </message>
    <message>
        <source>Footer Rows</source>
        <translation>Fußzeilen</translation>
    </message>
    <message>
        <source>Lines at the end of the file that hold no prices, such as a source note</source>
        <translation>Zeilen am Ende der Datei ohne Kurse, etwa eine Quellenangabe</translation>
    </message>
    <message>
        <source>Reverse File
Order</source>
        <translation>Reihenfolge
umkehren</translation>
    </message>
    <message>
        <source>CSV Reading</source>
        <translation>CSV-Lesart</translation>
    </message>
    <message>
        <source>Quoted fields, empty fields and thousands separators in numbers</source>
        <translation>Felder in Anführungszeichen, leere Felder und Tausendertrennzeichen in Zahlen</translation>
    </message>
    <message>
        <source>Decimal Comma</source>
        <translation>Dezimalkomma</translation>
    </message>
    <message>
        <source>Numbers are written with a decimal comma, as in 10,5 (CSV reading only)</source>
        <translation>Zahlen stehen mit Dezimalkomma, wie in 10,5 (nur mit CSV-Lesart)</translation>
    </message>
    <message>
        <source>&amp;Detect</source>
        <translation>&amp;Erkennen</translation>
    </message>
    <message>
        <source>Read the input file and fill these settings with the layout it has</source>
        <translation>Die Eingabedatei lesen und diese Einstellungen nach ihrem Aufbau ausfüllen</translation>
    </message>
    <message>
        <source>Output File: Path to Output Files</source>
        <translation>Ausgabe: Ordner der Datenbank</translation>
    </message>
    <message>
        <source>Directory Path</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>Output File: Detail Settings</source>
        <translation>Ausgabe: Einzelheiten</translation>
    </message>
    <message>
        <source>How to use a Master File in this Directory?</source>
        <translation>Wie soll die Master-Datei dieses Ordners genutzt werden?</translation>
    </message>
    <message>
        <source>Use Existing Master</source>
        <translation>Vorhandene Master-Datei nutzen</translation>
    </message>
    <message>
        <source>Make New Master</source>
        <translation>Neue Master-Datei anlegen</translation>
    </message>
    <message>
        <source>Symbol</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>torvan::CAboutDlg</name>
    <message>
        <source>Torvan Version %1</source>
        <translation>Torvan Version %1</translation>
    </message>
    <message>
        <source>Copyright © %1 the Torvan project</source>
        <translation>Copyright © %1 das Torvan-Projekt</translation>
    </message>
</context>
<context>
    <name>torvan::CDatabasePanel</name>
    <message>
        <source>Daily</source>
        <translation>Täglich</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Wöchentlich</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Monatlich</translation>
    </message>
    <message>
        <source>Intraday</source>
        <translation>Intraday</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Symbol</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Fields</source>
        <translation>Felder</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>Periode</translation>
    </message>
    <message>
        <source>First</source>
        <translation>Erster Tag</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Letzter Tag</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>Datensätze</translation>
    </message>
    <message>
        <source>&amp;Chart</source>
        <translation>&amp;Chart</translation>
    </message>
    <message>
        <source>&amp;Records</source>
        <translation>Daten&amp;sätze</translation>
    </message>
    <message>
        <source>Database folder: %1</source>
        <translation>Datenbankordner: %1</translation>
    </message>
    <message>
        <source>No database folder yet: the Conversion Settings name one.</source>
        <translation>Noch kein Datenbankordner: Er wird in den Einstellungen der Konvertierung gewählt.</translation>
    </message>
    <message>
        <source>The records cannot be read: %1</source>
        <translation>Die Datensätze können nicht gelesen werden: %1</translation>
    </message>
</context>
<context>
    <name>torvan::CHelpWindow</name>
    <message>
        <source>Torvan Help</source>
        <translation>Torvan-Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward</source>
        <translation>&amp;Vorwärts</translation>
    </message>
</context>
<context>
    <name>torvan::CMainFrame</name>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
</context>
<context>
    <name>torvan::COutcomeDlg</name>
    <message>
        <source>Added</source>
        <translation>Hinzugefügt</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Aktualisiert</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message numerus="yes">
        <source>Converting %n file(s)...</source>
        <translation>
            <numerusform>%n Datei wird umgewandelt...</numerusform>
            <numerusform>%n Dateien werden umgewandelt...</numerusform>
        </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Convert Several Files</source>
        <translation>Mehrere Dateien umwandeln</translation>
    </message>
    <message>
        <source>%1 of %2 files done.</source>
        <translation>%1 von %2 Dateien erledigt.</translation>
    </message>
    <message>
        <source>The run stopped before its end: %1</source>
        <translation>Der Lauf endete vorzeitig: %1</translation>
    </message>
    <message>
        <source>Price files (*.txt *.csv *.prn *.asc);;All files (*)</source>
        <translation>Kursdateien (*.txt *.csv *.prn *.asc);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 of %2 files converted.</source>
        <translation>%1 von %2 Dateien umgewandelt.</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Symbol</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>Datensätze</translation>
    </message>
    <message>
        <source>First date</source>
        <translation>Erstes Datum</translation>
    </message>
    <message>
        <source>Last date</source>
        <translation>Letztes Datum</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
</context>
<context>
    <name>torvan::CPriceChart</name>
    <message>
        <source>Drag across dates to zoom in; the wheel or + and - zoom, the arrow keys move along, a right click zooms out, a double click or 0 shows every record.</source>
        <translation>Über einen Datumsbereich ziehen vergrößert ihn; Mausrad oder + und - zoomen, die Pfeiltasten verschieben, ein Rechtsklick verkleinert, ein Doppelklick oder 0 zeigt alle Datensätze.</translation>
    </message>
    <message>
        <source>Show &amp;All</source>
        <translation>Alles &amp;zeigen</translation>
    </message>
    <message>
        <source>Drag across dates to zoom; wheel, + and - zoom too.</source>
        <translation>Über Daten ziehen zum Zoomen; auch Mausrad, + und -.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schluss</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
</context>
<context>
    <name>torvan::CReadingPreview</name>
    <message>
        <source>Click a column&apos;s heading to choose the field it holds</source>
        <translation>Klicken Sie auf den Kopf einer Spalte, um ihr Feld zu wählen</translation>
    </message>
    <message>
        <source>(not read)</source>
        <translation>(nicht gelesen)</translation>
    </message>
    <message>
        <source>Read as</source>
        <translation>Gelesen als</translation>
    </message>
    <message>
        <source>header row, skipped</source>
        <translation>Kopfzeile, übersprungen</translation>
    </message>
    <message>
        <source>footer row, skipped</source>
        <translation>Fußzeile, übersprungen</translation>
    </message>
    <message>
        <source>empty, passed over</source>
        <translation>leer, übergangen</translation>
    </message>
    <message>
        <source>no date in this format: skipped</source>
        <translation>kein Datum in diesem Format: übersprungen</translation>
    </message>
    <message>
        <source>%1, no price: skipped</source>
        <translation>%1, kein Kurs: übersprungen</translation>
    </message>
    <message>
        <source>; no column for %1: stored as 0</source>
        <translation>; keine Spalte für %1: als 0 gespeichert</translation>
    </message>
    <message>
        <source>Not a number: stored as 0</source>
        <translation>Keine Zahl: als 0 gespeichert</translation>
    </message>
    <message>
        <source>Does not read as a date in the chosen format</source>
        <translation>Kein Datum im gewählten Format</translation>
    </message>
    <message>
        <source>No Field</source>
        <translation>Kein Feld</translation>
    </message>
</context>
<context>
    <name>torvan::CSettingsDlg</name>
    <message>
        <source>Input File as Read with These Settings</source>
        <translation>Die Eingabedatei, wie diese Einstellungen sie lesen</translation>
    </message>
    <message>
        <source>Guessed %1: %2</source>
        <translation>Vermutet – %1: %2</translation>
    </message>
    <message>
        <source>The file is newest first, so Reverse File Order is set: the input file will be saved with the extension BAK and then reversed.</source>
        <translation>Die Datei beginnt mit dem neuesten Tag, daher ist „Reihenfolge umkehren“ gesetzt: Die Eingabedatei wird mit der Endung BAK gesichert und dann umgekehrt.</translation>
    </message>
    <message>
        <source>Ticker</source>
        <translation>Ticker</translation>
    </message>
    <message>
        <source>The file holds many securities: the column of their tickers. Each ticker becomes a security with the ticker as its symbol and name.</source>
        <translation>Die Datei enthält viele Wertpapiere: die Spalte ihrer Ticker. Jeder Ticker wird ein Wertpapier mit dem Ticker als Symbol und Name.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Intraday bars: the column of the time of day (HH:MM, HH:MM:SS, HHMM or HHMMSS)</source>
        <translation>Intraday-Balken: die Spalte der Uhrzeit (HH:MM, HH:MM:SS, HHMM oder HHMMSS)</translation>
    </message>
    <message>
        <source>Time in the Date Column</source>
        <translation>Zeit in der Datumsspalte</translation>
    </message>
    <message>
        <source>The time follows the date in the date&apos;s column, as in 2024-01-02 09:30</source>
        <translation>Die Uhrzeit folgt dem Datum in dessen Spalte, wie in 2024-01-02 09:30</translation>
    </message>
    <message>
        <source>Bar Interval (Minutes)</source>
        <translation>Balkenintervall (Minuten)</translation>
    </message>
    <message>
        <source>from the data</source>
        <translation>aus den Daten</translation>
    </message>
    <message>
        <source>The length of the bars, 1 to 60 minutes; blank takes the most common spacing of the bars</source>
        <translation>Die Länge der Balken, 1 bis 60 Minuten; leer nimmt den häufigsten Abstand der Balken</translation>
    </message>
    <message>
        <source>Daily Bars from Intraday Lines</source>
        <translation>Tagesbalken aus Intraday-Zeilen</translation>
    </message>
    <message>
        <source>One bar a day instead of an intraday security: the open of the first line, the highest high, the lowest low, the close of the last line, the volumes summed</source>
        <translation>Ein Balken je Tag statt eines Intraday-Wertpapiers: die Eröffnung der ersten Zeile, das höchste Hoch, das tiefste Tief, der Schluss der letzten Zeile, die Volumen summiert</translation>
    </message>
    <message>
        <source>Add the file&apos;s new days to this security</source>
        <translation>Die neuen Tage der Datei diesem Wertpapier hinzufügen</translation>
    </message>
    <message>
        <source>Append the file&apos;s days after the security&apos;s last stored day to it. A symbol the database lacks is added as a new security.</source>
        <translation>Hängt die Tage der Datei nach dem letzten gespeicherten Tag an das Wertpapier an. Ein Symbol, das die Datenbank nicht enthält, wird als neues Wertpapier hinzugefügt.</translation>
    </message>
    <message>
        <source>Keep differing days as stored</source>
        <translation>Abweichende Tage wie gespeichert lassen</translation>
    </message>
    <message>
        <source>Replace them with the file&apos;s</source>
        <translation>Durch die der Datei ersetzen</translation>
    </message>
    <message>
        <source>Replace the whole history</source>
        <translation>Den gesamten Verlauf ersetzen</translation>
    </message>
    <message>
        <source>Days on or before the last stored day that differ from it stay as stored, and are counted</source>
        <translation>Abweichende Tage bis zum letzten gespeicherten Tag bleiben wie gespeichert und werden gezählt</translation>
    </message>
    <message>
        <source>The file&apos;s values take the place of stored days that differ (corrections)</source>
        <translation>Die Werte der Datei treten an die Stelle abweichender gespeicherter Tage (Korrekturen)</translation>
    </message>
    <message>
        <source>The security&apos;s whole history becomes the file&apos;s (after a split); its file number and index entries stay</source>
        <translation>Der gesamte Verlauf des Wertpapiers wird der der Datei (nach einem Split); Dateinummer und Indexeinträge bleiben</translation>
    </message>
</context>
<context>
    <name>torvan::CTorvanApp</name>
    <message>
        <source>Converts daily price text files into a MetaStock / CompuTrac database.</source>
        <translation>Wandelt Textdateien mit Tageskursen in eine MetaStock-/CompuTrac-Datenbank um.</translation>
    </message>
    <message>
        <source>A price file to open at start.</source>
        <translation>Eine Kursdatei, die beim Start geöffnet wird.</translation>
    </message>
    <message>
        <source>All Files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
</context>
</TS>
