<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AppModel</name>
    <message>
        <source>Can&apos;t Open Video</source>
        <translation>Video kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>“%1” can&apos;t be read. Framelark supports the video formats this computer can play, such as MP4, MOV, M4V, MKV, AVI and WebM.</source>
        <translation>„%1“ kann nicht gelesen werden. Framelark unterstützt die Videoformate, die dieser Computer abspielen kann, etwa MP4, MOV, M4V, MKV, AVI und WebM.</translation>
    </message>
</context>
<context>
    <name>CaptureSettings</name>
    <message numerus="yes">
        <source>Scenes · at most %n</source>
        <translation>
            <numerusform>Szenen · höchstens %n</numerusform>
            <numerusform>Szenen · höchstens %n</numerusform>
        </translation>
    </message>
    <message>
        <source>Every %1 sec</source>
        <translation>Alle %1 s</translation>
    </message>
    <message>
        <source>Precise</source>
        <translation>Präzise</translation>
    </message>
</context>
<context>
    <name>CaptureSettingsButton</name>
    <message>
        <source>Screenshot Settings</source>
        <translation>Screenshot-Einstellungen</translation>
    </message>
</context>
<context>
    <name>CaptureSettingsPopover</name>
    <message>
        <source>At most</source>
        <translation>Höchstens</translation>
    </message>
    <message>
        <source>By Scene</source>
        <translation>Nach Szene</translation>
    </message>
    <message>
        <source>By Interval</source>
        <translation>Nach Intervall</translation>
    </message>
    <message>
        <source>By Count</source>
        <translation>Nach Anzahl</translation>
    </message>
    <message>
        <source>Precise Frames</source>
        <translation>Bildgenau</translation>
    </message>
    <message>
        <source>Off: grabs the nearest keyframe — much faster. On: exact to the frame.</source>
        <translation>Aus: nimmt das nächstgelegene Schlüsselbild – viel schneller. Ein: aufs Bild genau.</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Erfassung</translation>
    </message>
    <message>
        <source>Every</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Number of shots</source>
        <translation>Anzahl der Screenshots</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Avoid Weak Frames</source>
        <translation>Schwache Bilder vermeiden</translation>
    </message>
    <message>
        <source>A dark, blurred or repeated frame is replaced by the best frame near it.</source>
        <translation>Ein dunkles, unscharfes oder wiederholtes Bild wird durch das beste Bild in seiner Nähe ersetzt.</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Close all videos and go back to the start screen (Esc)</source>
        <translation>Alle Videos schließen und zum Startbildschirm zurückkehren (Esc)</translation>
    </message>
    <message>
        <source>Add Videos</source>
        <translation>Videos hinzufügen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>About Framelark</source>
        <translation>Über Framelark</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Turns videos into still screenshots. Everything happens on this computer.</source>
        <translation>Macht aus Videos Standbilder. Alles geschieht auf diesem Computer.</translation>
    </message>
</context>
<context>
    <name>DropZone</name>
    <message>
        <source>Choose Videos…</source>
        <translation>Videos auswählen …</translation>
    </message>
    <message>
        <source>Drop videos here</source>
        <translation>Videos hier ablegen</translation>
    </message>
    <message>
        <source>MP4 · MOV · M4V — drop one or several, screenshots start as soon as you let go</source>
        <translation>MP4 · MOV · M4V – eines oder mehrere ablegen, die Screenshots beginnen sofort beim Loslassen</translation>
    </message>
    <message>
        <source>Set the interval or count in the toolbar first if you like</source>
        <translation>Wenn Sie möchten, legen Sie vorher in der Werkzeugleiste Intervall oder Anzahl fest</translation>
    </message>
</context>
<context>
    <name>Exporter</name>
    <message>
        <source>Choose a folder. A “%1 Screenshots” folder will be created inside it.</source>
        <translation>Wählen Sie einen Ordner. Darin wird ein Ordner „%1 Screenshots“ angelegt.</translation>
    </message>
    <message>
        <source>Choose a folder. Each video gets its own screenshots folder inside it.</source>
        <translation>Wählen Sie einen Ordner. Darin erhält jedes Video einen eigenen Screenshot-Ordner.</translation>
    </message>
    <message>
        <source>Export Failed</source>
        <translation>Export fehlgeschlagen</translation>
    </message>
    <message>
        <source>Export Stopped</source>
        <translation>Export gestoppt</translation>
    </message>
    <message>
        <source>%1 of %2 screenshots were exported before it.</source>
        <translation>%1 von %2 Screenshots wurden davor exportiert.</translation>
    </message>
    <message>
        <source>No screenshots were exported.</source>
        <translation>Es wurden keine Screenshots exportiert.</translation>
    </message>
    <message>
        <source>%1 of %2 screenshots were exported into %3. Each of them is complete.</source>
        <translation>%1 von %2 Screenshots wurden nach %3 exportiert. Jeder davon ist vollständig.</translation>
    </message>
    <message>
        <source>Choose a folder. A “%1 Preview Sprites” folder will be created inside it.</source>
        <translation>Wählen Sie einen Ordner. Darin wird ein Ordner „%1 Vorschau-Sprites“ angelegt.</translation>
    </message>
    <message>
        <source>No preview sprites were written.</source>
        <translation>Es wurden keine Vorschau-Sprites geschrieben.</translation>
    </message>
    <message>
        <source>The preview sprites in “%1” are incomplete: the WebVTT index was not written.</source>
        <translation>Die Vorschau-Sprites in „%1“ sind unvollständig: Der WebVTT-Index wurde nicht geschrieben.</translation>
    </message>
    <message>
        <source>Some Tiles Are Empty</source>
        <translation>Einige Kacheln sind leer</translation>
    </message>
    <message numerus="yes">
        <source>%n screenshots could not be read; their tiles are black.</source>
        <translation>
            <numerusform>%n Screenshot konnte nicht gelesen werden; seine Kachel ist schwarz.</numerusform>
            <numerusform>%n Screenshots konnten nicht gelesen werden; ihre Kacheln sind schwarz.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FileDialogs</name>
    <message>
        <source>Videos (%1)</source>
        <translation>Videos (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Export Here</source>
        <translation>Hierher exportieren</translation>
    </message>
    <message>
        <source>Close All Videos?</source>
        <translation>Alle Videos schließen?</translation>
    </message>
    <message>
        <source>Shots you picked by hand will be lost.</source>
        <translation>Von Hand ausgewählte Screenshots gehen verloren.</translation>
    </message>
    <message>
        <source>Close All</source>
        <translation>Alle schließen</translation>
    </message>
</context>
<context>
    <name>Framelark</name>
    <message numerus="yes">
        <source>%n shots</source>
        <translation>
            <numerusform>%n Screenshot</numerusform>
            <numerusform>%n Screenshots</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MainMenus</name>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Select All Shots</source>
        <translation>Alle Screenshots auswählen</translation>
    </message>
    <message>
        <source>Deselect All Shots</source>
        <translation>Auswahl aller Screenshots aufheben</translation>
    </message>
    <message>
        <source>Deselect Weak Shots</source>
        <translation>Schwache Screenshots abwählen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Add Videos…</source>
        <translation>Videos hinzufügen …</translation>
    </message>
    <message>
        <source>Export Screenshots…</source>
        <translation>Screenshots exportieren …</translation>
    </message>
    <message>
        <source>Export All Videos…</source>
        <translation>Alle Videos exportieren …</translation>
    </message>
    <message>
        <source>Create Share Image…</source>
        <translation>Übersichtsbild erstellen …</translation>
    </message>
    <message>
        <source>Remove Video</source>
        <translation>Video entfernen</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Framelark Website</source>
        <translation>Framelark-Website</translation>
    </message>
    <message>
        <source>Support &amp; Privacy</source>
        <translation>Support &amp; Datenschutz</translation>
    </message>
    <message>
        <source>Contact Support</source>
        <translation>Support kontaktieren</translation>
    </message>
    <message>
        <source>Check for a New Version…</source>
        <translation>Nach neuer Version suchen …</translation>
    </message>
    <message>
        <source>About Framelark</source>
        <translation>Über Framelark</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Widerrufen</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Replace Weak Shots</source>
        <translation>Schwache Screenshots ersetzen</translation>
    </message>
    <message>
        <source>Export Preview Sprites…</source>
        <translation>Vorschau-Sprites exportieren …</translation>
    </message>
</context>
<context>
    <name>PreviewSprites</name>
    <message>
        <source>There are no screenshots to make preview sprites from.</source>
        <translation>Es gibt keine Screenshots, aus denen Vorschau-Sprites entstehen könnten.</translation>
    </message>
    <message>
        <source>The video’s length is unknown, so its preview sprites can’t be timed.</source>
        <translation>Die Länge des Videos ist unbekannt, daher lassen sich seine Vorschau-Sprites nicht zeitlich zuordnen.</translation>
    </message>
    <message>
        <source>The preview sprites would be too large: one picture would be %1 × %2 pixels.</source>
        <translation>Die Vorschau-Sprites wären zu groß: Ein Bild hätte %1 × %2 Pixel.</translation>
    </message>
    <message>
        <source>%1 Preview Sprites</source>
        <translation>%1 Vorschau-Sprites</translation>
    </message>
    <message>
        <source>Couldn’t create the folder “%1”: %2.</source>
        <translation>Der Ordner „%1“ konnte nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Couldn’t write “%1”: %2.</source>
        <translation>„%1“ konnte nicht geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Can&apos;t Use This Folder</source>
        <translation>Ordner kann nicht verwendet werden</translation>
    </message>
    <message>
        <source>Framelark can&apos;t create folders in “%1”. Choose a folder you can write to.</source>
        <translation>Framelark kann in „%1“ keine Ordner anlegen. Wählen Sie einen Ordner, in den Sie schreiben dürfen.</translation>
    </message>
    <message>
        <source>Ask Every Time</source>
        <translation>Jedes Mal fragen</translation>
    </message>
    <message>
        <source>Add “Made with Framelark” to share images</source>
        <translation>„Erstellt mit Framelark“ in Übersichtsbilder einfügen</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen …</translation>
    </message>
    <message>
        <source>Default folder</source>
        <translation>Standardordner</translation>
    </message>
    <message>
        <source>When a default folder is set, Export saves straight into it without asking.</source>
        <translation>Ist ein Standardordner festgelegt, wird ohne Nachfrage direkt dorthin exportiert.</translation>
    </message>
    <message>
        <source>JPEG quality</source>
        <translation>JPEG-Qualität</translation>
    </message>
    <message>
        <source>Share Image</source>
        <translation>Übersichtsbild</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Datenschutz</translation>
    </message>
    <message>
        <source>Framelark works entirely on this computer and never connects to the internet. Screenshots are kept in a private temporary folder and deleted when you go back or quit — only what you export or save is kept.</source>
        <translation>Framelark arbeitet vollständig auf diesem Computer und verbindet sich nie mit dem Internet. Screenshots liegen in einem privaten temporären Ordner und werden gelöscht, wenn Sie zurückgehen oder das Programm beenden – erhalten bleibt nur, was Sie exportieren oder speichern.</translation>
    </message>
    <message>
        <source>Default Export Folder</source>
        <translation>Standard-Exportordner</translation>
    </message>
    <message>
        <source>Use This Folder</source>
        <translation>Diesen Ordner verwenden</translation>
    </message>
    <message>
        <source>Ask every time</source>
        <translation>Jedes Mal fragen</translation>
    </message>
    <message>
        <source>Write source details into exported shots</source>
        <translation>Quellangaben in exportierte Screenshots schreiben</translation>
    </message>
    <message>
        <source>The video’s file name, the shot’s time and frame number, readable by photo tools.</source>
        <translation>Dateiname des Videos, Zeit und Bildnummer des Screenshots – lesbar für Fotoprogramme.</translation>
    </message>
</context>
<context>
    <name>SheetPreview</name>
    <message>
        <source>Drag the preview into any app</source>
        <translation>Ziehen Sie die Vorschau in eine beliebige App</translation>
    </message>
</context>
<context>
    <name>SheetRenderer</name>
    <message>
        <source>Made with Framelark</source>
        <translation>Erstellt mit Framelark</translation>
    </message>
</context>
<context>
    <name>SheetView</name>
    <message>
        <source>%1 Share Image</source>
        <translation>%1 Übersichtsbild</translation>
    </message>
    <message>
        <source>Save Share Image</source>
        <translation>Übersichtsbild speichern</translation>
    </message>
    <message>
        <source>JPEG Image (*.jpg *.jpeg)</source>
        <translation>JPEG-Bild (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>PNG Image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>Share Image</source>
        <translation>Übersichtsbild</translation>
    </message>
    <message>
        <source>Fewer Columns</source>
        <translation>Weniger Spalten</translation>
    </message>
    <message>
        <source>More Columns</source>
        <translation>Mehr Spalten</translation>
    </message>
    <message>
        <source>%1 px</source>
        <translation>%1 px</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>Timestamps</source>
        <translation>Zeitstempel</translation>
    </message>
    <message>
        <source>Video Info</source>
        <translation>Videoinfos</translation>
    </message>
    <message>
        <source>Drag the preview into any app</source>
        <translation>Ziehen Sie die Vorschau in eine beliebige App</translation>
    </message>
    <message>
        <source>Copy Image</source>
        <translation>Bild kopieren</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Speichern …</translation>
    </message>
    <message>
        <source>Share…</source>
        <translation>Teilen …</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Columns: %1</source>
        <translation>Spalten: %1</translation>
    </message>
    <message>
        <source>This share image would be too large. Choose more columns or a smaller width.</source>
        <translation>Dieses Übersichtsbild wäre zu groß. Wählen Sie mehr Spalten oder eine geringere Breite.</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Open with Default Application</source>
        <translation>Mit Standardanwendung öffnen</translation>
    </message>
    <message>
        <source>Show in File Manager</source>
        <translation>Im Dateimanager anzeigen</translation>
    </message>
    <message>
        <source>Attach to Email…</source>
        <translation>An E-Mail anhängen …</translation>
    </message>
    <message>
        <source>Can&apos;t Attach to Email</source>
        <translation>Anhängen an E-Mail nicht möglich</translation>
    </message>
    <message>
        <source>No e-mail program could be started. Save the image and attach it by hand.</source>
        <translation>Es konnte kein E-Mail-Programm gestartet werden. Speichern Sie das Bild und hängen Sie es von Hand an.</translation>
    </message>
    <message>
        <source>WebP Image (*.webp)</source>
        <translation>WebP-Bild (*.webp)</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>Can&apos;t Save as WebP</source>
        <translation>Speichern als WebP nicht möglich</translation>
    </message>
    <message>
        <source>WebP pictures can be at most %1 pixels wide and tall; this share image is %2 × %3. Save it as JPEG or PNG, or choose more columns or a smaller width.</source>
        <translation>WebP-Bilder können höchstens %1 Pixel breit und hoch sein; dieses Übersichtsbild ist %2 × %3. Speichern Sie es als JPEG oder PNG oder wählen Sie mehr Spalten oder eine kleinere Breite.</translation>
    </message>
</context>
<context>
    <name>ShotFolderWriter</name>
    <message>
        <source>%1 Screenshots</source>
        <translation>%1 Screenshots</translation>
    </message>
    <message>
        <source>Couldn’t create the folder “%1”: %2.</source>
        <translation>Der Ordner „%1“ konnte nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Couldn’t read the screenshot “%1”: %2.</source>
        <translation>Der Screenshot „%1“ konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Couldn’t copy “%1” to “%2”: %3.</source>
        <translation>„%1“ konnte nicht nach „%2“ kopiert werden: %3.</translation>
    </message>
</context>
<context>
    <name>ShotGrid</name>
    <message>
        <source>Shots</source>
        <translation>Screenshots</translation>
    </message>
</context>
<context>
    <name>ShotListModel</name>
    <message>
        <source>%1 · frame %2</source>
        <translation>%1 · Bild %2</translation>
    </message>
    <message>
        <source>Shot %1 of %2, %3, %4</source>
        <translation>Screenshot %1 von %2, %3, %4</translation>
    </message>
    <message>
        <source>selected</source>
        <translation>ausgewählt</translation>
    </message>
    <message>
        <source>not selected</source>
        <translation>nicht ausgewählt</translation>
    </message>
    <message>
        <source>Not weak</source>
        <translation>Nicht schwach</translation>
    </message>
    <message>
        <source>Weak: dark</source>
        <translation>Schwach: dunkel</translation>
    </message>
    <message>
        <source>Weak: flat</source>
        <translation>Schwach: einfarbig</translation>
    </message>
    <message>
        <source>Weak: blurry</source>
        <translation>Schwach: unscharf</translation>
    </message>
    <message>
        <source>Weak: repeats the shot before</source>
        <translation>Schwach: wiederholt den vorigen Screenshot</translation>
    </message>
    <message>
        <source>Brightness %1 · Contrast %2 · Sharpness %3 · %4</source>
        <translation>Helligkeit %1 · Kontrast %2 · Schärfe %3 · %4</translation>
    </message>
</context>
<context>
    <name>ShotViewer</name>
    <message>
        <source>Shot Viewer</source>
        <translation>Screenshot-Ansicht</translation>
    </message>
    <message>
        <source>Shot %1 of %2</source>
        <translation>Screenshot %1 von %2</translation>
    </message>
    <message>
        <source>✓ Selected</source>
        <translation>✓ Ausgewählt</translation>
    </message>
    <message>
        <source>Not Selected</source>
        <translation>Nicht ausgewählt</translation>
    </message>
    <message>
        <source>Not a Shot</source>
        <translation>Kein Screenshot</translation>
    </message>
    <message>
        <source>Press A to add it as a shot</source>
        <translation>Mit A als Screenshot hinzufügen</translation>
    </message>
    <message>
        <source>This frame cannot be decoded</source>
        <translation>Dieses Bild lässt sich nicht dekodieren</translation>
    </message>
</context>
<context>
    <name>SpriteDialog</name>
    <message>
        <source>Export Preview Sprites</source>
        <translation>Vorschau-Sprites exportieren</translation>
    </message>
    <message>
        <source>Tile width</source>
        <translation>Kachelbreite</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>Spalten</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>Zeilen</translation>
    </message>
    <message>
        <source>px</source>
        <translation>px</translation>
    </message>
    <message>
        <source>The selected shots become tiles of sprite images, each holding up to columns × rows tiles, and a WebVTT file tells a web player which tile shows which time.</source>
        <translation>Die ausgewählten Screenshots werden zu Kacheln von Sprite-Bildern mit je bis zu Spalten × Zeilen Kacheln; eine WebVTT-Datei sagt einem Web-Player, welche Kachel welche Zeit zeigt.</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren …</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>Finding scenes…</source>
        <translation>Szenen werden gesucht …</translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots deselected</source>
        <translation>
            <numerusform>%n schwacher Screenshot abgewählt</numerusform>
            <numerusform>%n schwache Screenshots abgewählt</numerusform>
        </translation>
    </message>
    <message>
        <source>Waiting…</source>
        <translation>Wartet …</translation>
    </message>
    <message>
        <source>Took %1 s</source>
        <translation>Dauer: %1 s</translation>
    </message>
    <message>
        <source>%1 selected</source>
        <translation>%1 ausgewählt</translation>
    </message>
    <message>
        <source>%1 couldn&apos;t be read</source>
        <translation>%1 nicht lesbar</translation>
    </message>
    <message>
        <source>Exporting %1 of %2…</source>
        <translation>Exportiere %1 von %2 …</translation>
    </message>
    <message>
        <source>Replacing weak shots… %1 of %2</source>
        <translation>Schwache Screenshots werden ersetzt … %1 von %2</translation>
    </message>
    <message>
        <source>No weak shots</source>
        <translation>Keine schwachen Screenshots</translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots replaced</source>
        <translation>
            <numerusform>%n schwacher Screenshot ersetzt</numerusform>
            <numerusform>%n schwache Screenshots ersetzt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n deselected</source>
        <translation>
            <numerusform>, %n abgewählt</numerusform>
            <numerusform>, %n abgewählt</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Timeline</name>
    <message>
        <source>Timeline</source>
        <translation>Zeitleiste</translation>
    </message>
</context>
<context>
    <name>VideoDetail</name>
    <message>
        <source>Previous Frame</source>
        <translation>Vorheriges Bild</translation>
    </message>
    <message>
        <source>Next Frame</source>
        <translation>Nächstes Bild</translation>
    </message>
    <message>
        <source>1 Second Earlier</source>
        <translation>1 Sekunde früher</translation>
    </message>
    <message>
        <source>1 Second Later</source>
        <translation>1 Sekunde später</translation>
    </message>
    <message>
        <source>Create Share Image</source>
        <translation>Übersichtsbild erstellen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Deselect All</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>Export %1</source>
        <translation>%1 exportieren</translation>
    </message>
    <message>
        <source>Open in Image Viewer</source>
        <translation>In Bildbetrachter öffnen</translation>
    </message>
    <message>
        <source>Copy Image</source>
        <translation>Bild kopieren</translation>
    </message>
    <message>
        <source>Stop Export</source>
        <translation>Export stoppen</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Waiting for the first shots</source>
        <translation>Warten auf die ersten Screenshots</translation>
    </message>
    <message>
        <source>Add Shot Here</source>
        <translation>Screenshot hier hinzufügen</translation>
    </message>
    <message>
        <source>Adds the frame the viewer shows as a new shot (A)</source>
        <translation>Fügt das angezeigte Bild als neuen Screenshot hinzu (A)</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>Stop Replacing Weak Shots</source>
        <translation>Ersetzen schwacher Screenshots stoppen</translation>
    </message>
</context>
<context>
    <name>VideoItem</name>
    <message>
        <source>Move Shot</source>
        <translation>Screenshot verschieben</translation>
    </message>
    <message>
        <source>Select Shot</source>
        <translation>Screenshot auswählen</translation>
    </message>
    <message>
        <source>Deselect Shot</source>
        <translation>Screenshot abwählen</translation>
    </message>
    <message>
        <source>Select All Shots</source>
        <translation>Alle Screenshots auswählen</translation>
    </message>
    <message>
        <source>Deselect All Shots</source>
        <translation>Auswahl aller Screenshots aufheben</translation>
    </message>
    <message>
        <source>Deselect Weak Shots</source>
        <translation>Schwache Screenshots abwählen</translation>
    </message>
    <message>
        <source>Add Shot</source>
        <translation>Screenshot hinzufügen</translation>
    </message>
    <message>
        <source>Replace Weak Shots</source>
        <translation>Schwache Screenshots ersetzen</translation>
    </message>
</context>
<context>
    <name>VideoList</name>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message numerus="yes">
        <source>Export All (%n videos)</source>
        <translation>
            <numerusform>Alle exportieren (%n Video)</numerusform>
            <numerusform>Alle exportieren (%n Videos)</numerusform>
        </translation>
    </message>
    <message>
        <source>Videos</source>
        <translation>Videos</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Turns videos into still screenshots.</source>
        <translation>Macht aus Videos Standbilder.</translation>
    </message>
    <message>
        <source>Video files to open.</source>
        <translation>Zu öffnende Videodateien.</translation>
    </message>
</context>
</TS>
