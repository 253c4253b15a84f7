<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>CaptureSettings</name>
    <message numerus="yes">
        <source>Scenes · at most %n</source>
        <translation>
            <numerusform>Scenes · at most %n</numerusform>
            <numerusform>Scenes · at most %n</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Exporter</name>
    <message numerus="yes">
        <source>%n screenshots could not be read; their tiles are black.</source>
        <translation>
            <numerusform>%n screenshot could not be read; its tile is black.</numerusform>
            <numerusform>%n screenshots could not be read; their tiles are black.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Framelark</name>
    <message numerus="yes">
        <source>%n shots</source>
        <translation>
            <numerusform>%n shot</numerusform>
            <numerusform>%n shots</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message numerus="yes">
        <source>%n weak shots deselected</source>
        <translation>
            <numerusform>%n weak shot deselected</numerusform>
            <numerusform>%n weak shots deselected</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n weak shots replaced</source>
        <translation>
            <numerusform>%n weak shot replaced</numerusform>
            <numerusform>%n weak shots replaced</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n deselected</source>
        <translation>
            <numerusform>, %n deselected</numerusform>
            <numerusform>, %n deselected</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>VideoList</name>
    <message numerus="yes">
        <source>Export All (%n videos)</source>
        <translation>
            <numerusform>Export All (%n video)</numerusform>
            <numerusform>Export All (%n videos)</numerusform>
        </translation>
    </message>
</context>
</TS>
