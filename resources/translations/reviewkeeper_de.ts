<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Alert</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Do not show this message again</source>
        <translation>Diese Meldung nicht mehr anzeigen</translation>
    </message>
</context>
<context>
    <name>App</name>
    <message>
        <source>%ld %@ / %ld %@</source>
        <translation>%ld %@ / %ld %@</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Countries</source>
        <translation>Länder</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>%@ is already running.</source>
        <translation>%@ läuft bereits.</translation>
    </message>
    <message>
        <source>Could not save changes while quitting. Quit anyway?</source>
        <translation>Die Änderungen konnten beim Beenden nicht gesichert werden. Trotzdem beenden?</translation>
    </message>
    <message>
        <source>Quitting now will lose any changes you have made since the last successful save</source>
        <translation>Wenn Sie jetzt beenden, gehen alle Änderungen seit dem letzten erfolgreichen Sichern verloren</translation>
    </message>
    <message>
        <source>Quit anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Updates come with your distribution</source>
        <translation>Aktualisierungen kommen mit Ihrer Distribution</translation>
    </message>
    <message>
        <source>%@ %@ is updated by your system&apos;s package manager. Install the updates it offers to get the newest version.</source>
        <translation>%@ %@ wird von der Paketverwaltung Ihres Systems aktualisiert. Installieren Sie die angebotenen Aktualisierungen, um die neueste Version zu erhalten.</translation>
    </message>
    <message>
        <source>There was an error creating or loading the application&apos;s saved data.</source>
        <translation>Beim Anlegen oder Laden der gespeicherten Daten des Programms ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>Expected a folder to store application data, found a file (%@).</source>
        <translation>Für die Daten des Programms wurde ein Ordner erwartet, aber eine Datei gefunden (%@).</translation>
    </message>
    <message>
        <source>Failed to initialize the application&apos;s saved data</source>
        <translation>Die gespeicherten Daten des Programms konnten nicht eingerichtet werden</translation>
    </message>
    <message>
        <source>%@ cannot start.</source>
        <translation>%@ kann nicht starten.</translation>
    </message>
</context>
<context>
    <name>AppStoreConnect</name>
    <message>
        <source>The App Store Connect key file %@ cannot be used.</source>
        <translation>Die App-Store-Connect-Schlüsseldatei %@ kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>It is too large for a key file.</source>
        <translation>Sie ist zu groß für eine Schlüsseldatei.</translation>
    </message>
    <message>
        <source>The App Store Connect key cannot be used.</source>
        <translation>Der App-Store-Connect-Schlüssel kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>The issuer ID, the key ID and the private key are all needed.</source>
        <translation>Aussteller-ID, Schlüssel-ID und privater Schlüssel werden alle benötigt.</translation>
    </message>
    <message>
        <source>The key file does not hold an App Store Connect private key (.p8).</source>
        <translation>Die Schlüsseldatei enthält keinen privaten App-Store-Connect-Schlüssel (.p8).</translation>
    </message>
    <message>
        <source>Signing with the key failed.</source>
        <translation>Das Signieren mit dem Schlüssel ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Loading App Store Connect Reviews…</source>
        <translation>App-Store-Connect-Rezensionen werden geladen …</translation>
    </message>
    <message>
        <source>App Store Connect&apos;s hourly request limit is reached: one app waits for the next update.</source>
        <translation>Das stündliche Anfragelimit von App Store Connect ist erreicht: Eine App wartet auf die nächste Aktualisierung.</translation>
    </message>
    <message>
        <source>App Store Connect&apos;s hourly request limit is reached: %ld apps wait for the next update.</source>
        <translation>Das stündliche Anfragelimit von App Store Connect ist erreicht: %ld Apps warten auf die nächste Aktualisierung.</translation>
    </message>
</context>
<context>
    <name>ChartPane</name>
    <message>
        <source>Save Chart…</source>
        <translation>Diagramm speichern …</translation>
    </message>
    <message>
        <source>PNG Image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>SVG Image (*.svg)</source>
        <translation>SVG-Bild (*.svg)</translation>
    </message>
    <message>
        <source>The chart could not be saved as “%@”.</source>
        <translation>Das Diagramm konnte nicht als „%@“ gespeichert werden.</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>No new reviews.</source>
        <translation>Keine neuen Rezensionen.</translation>
    </message>
</context>
<context>
    <name>ConnectPreferencesSection</name>
    <message>
        <source>App Store Connect</source>
        <translation>App Store Connect</translation>
    </message>
    <message>
        <source>Issuer ID</source>
        <translation>Aussteller-ID</translation>
    </message>
    <message>
        <source>shown above the keys</source>
        <translation>über den Schlüsseln angezeigt</translation>
    </message>
    <message>
        <source>Issuer ID:</source>
        <translation>Aussteller-ID:</translation>
    </message>
    <message>
        <source>Key ID</source>
        <translation>Schlüssel-ID</translation>
    </message>
    <message>
        <source>Key ID:</source>
        <translation>Schlüssel-ID:</translation>
    </message>
    <message>
        <source>Choose Key File…</source>
        <translation>Schlüsseldatei wählen …</translation>
    </message>
    <message>
        <source>Choose the key&apos;s .p8 file</source>
        <translation>Die .p8-Datei des Schlüssels wählen</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>Test the App Store Connect key</source>
        <translation>Den App-Store-Connect-Schlüssel testen</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>Forget the App Store Connect key</source>
        <translation>Den App-Store-Connect-Schlüssel vergessen</translation>
    </message>
    <message>
        <source>App Store Connect Status</source>
        <translation>App-Store-Connect-Status</translation>
    </message>
    <message>
        <source>The key that %@ names is used; it stands in for this one.</source>
        <translation>Der Schlüssel, den %@ nennt, wird verwendet; er tritt an die Stelle dieses Schlüssels.</translation>
    </message>
    <message>
        <source>A key is connected.</source>
        <translation>Ein Schlüssel ist verbunden.</translation>
    </message>
    <message>
        <source>Connect a team key to read every review of your own apps and reply to them.</source>
        <translation>Verbinden Sie einen Teamschlüssel, um alle Rezensionen Ihrer eigenen Apps zu lesen und darauf zu antworten.</translation>
    </message>
    <message>
        <source>The key works, but it sees no apps.</source>
        <translation>Der Schlüssel funktioniert, sieht aber keine Apps.</translation>
    </message>
    <message>
        <source>The key sees one app: %@.</source>
        <translation>Der Schlüssel sieht eine App: %@.</translation>
    </message>
    <message>
        <source>The key sees %ld apps: %@.</source>
        <translation>Der Schlüssel sieht %ld Apps: %@.</translation>
    </message>
    <message>
        <source>Choose the App Store Connect Key</source>
        <translation>App-Store-Connect-Schlüssel wählen</translation>
    </message>
    <message>
        <source>App Store Connect keys (*.p8)</source>
        <translation>App-Store-Connect-Schlüssel (*.p8)</translation>
    </message>
    <message>
        <source>Enter the issuer ID and the key ID first.</source>
        <translation>Geben Sie zuerst die Aussteller-ID und die Schlüssel-ID ein.</translation>
    </message>
    <message>
        <source>Trying the key…</source>
        <translation>Der Schlüssel wird ausprobiert …</translation>
    </message>
    <message>
        <source>No key is connected: choose its key file.</source>
        <translation>Kein Schlüssel ist verbunden: Wählen Sie seine Schlüsseldatei.</translation>
    </message>
    <message>
        <source>Asking App Store Connect…</source>
        <translation>App Store Connect wird gefragt …</translation>
    </message>
</context>
<context>
    <name>Downloader</name>
    <message>
        <source>n/a</source>
        <translation>k. A.</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>The operation couldn’t be completed. (%@ error %ld.)</source>
        <translation>Der Vorgang konnte nicht abgeschlossen werden. (%@ Fehler %ld.)</translation>
    </message>
</context>
<context>
    <name>ForwardDestinationEditor</name>
    <message>
        <source>Add a Forwarding Destination</source>
        <translation>Weiterleitungsziel hinzufügen</translation>
    </message>
    <message>
        <source>Edit the Forwarding Destination</source>
        <translation>Weiterleitungsziel bearbeiten</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Kind:</source>
        <translation>Art:</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>https://hooks.example.com/…</source>
        <translation>https://hooks.example.com/…</translation>
    </message>
    <message>
        <source>empty keeps the stored address</source>
        <translation>leer: die gespeicherte Adresse bleibt</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>Address Problem</source>
        <translation>Problem der Adresse</translation>
    </message>
    <message>
        <source>Signing Secret</source>
        <translation>Signaturgeheimnis</translation>
    </message>
    <message>
        <source>optional; signs each message</source>
        <translation>optional; signiert jede Nachricht</translation>
    </message>
    <message>
        <source>Signing secret:</source>
        <translation>Signaturgeheimnis:</translation>
    </message>
    <message>
        <source>Products</source>
        <translation>Produkte</translation>
    </message>
    <message>
        <source>None checked: all products</source>
        <translation>Keines gewählt: alle Produkte</translation>
    </message>
    <message>
        <source>Products:</source>
        <translation>Produkte:</translation>
    </message>
    <message>
        <source>Lowest Rating</source>
        <translation>Niedrigste Bewertung</translation>
    </message>
    <message>
        <source>Highest Rating</source>
        <translation>Höchste Bewertung</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>stars</source>
        <translation>Sterne</translation>
    </message>
    <message>
        <source>Ratings:</source>
        <translation>Bewertungen:</translation>
    </message>
    <message>
        <source>Countries</source>
        <translation>Länder</translation>
    </message>
    <message>
        <source>all; or codes such as US, DE</source>
        <translation>alle; oder Kürzel wie US, DE</translation>
    </message>
    <message>
        <source>Countries:</source>
        <translation>Länder:</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Stichwörter</translation>
    </message>
    <message>
        <source>any review; or words such as crash, refund</source>
        <translation>jede Rezension; oder Wörter wie Absturz, Erstattung</translation>
    </message>
    <message>
        <source>Keywords:</source>
        <translation>Stichwörter:</translation>
    </message>
    <message>
        <source>Forward edited reviews</source>
        <translation>Bearbeitete Rezensionen weiterleiten</translation>
    </message>
    <message>
        <source>Also send the stored reviews written since</source>
        <translation>Auch gespeicherte Rezensionen senden, geschrieben seit</translation>
    </message>
    <message>
        <source>Stored Reviews Since</source>
        <translation>Gespeicherte Rezensionen seit</translation>
    </message>
</context>
<context>
    <name>ForwardDestinations</name>
    <message>
        <source>The address must begin with https:// or http://.</source>
        <translation>Die Adresse muss mit https:// oder http:// beginnen.</translation>
    </message>
    <message>
        <source>The address names no host.</source>
        <translation>Die Adresse nennt keinen Host.</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>angehalten</translation>
    </message>
    <message>
        <source>waiting until %@ after %ld failures</source>
        <translation>wartet bis %@ nach %ld Fehlschlägen</translation>
    </message>
    <message>
        <source>active</source>
        <translation>aktiv</translation>
    </message>
    <message>
        <source>Its address is kept nowhere: enter it again.</source>
        <translation>Seine Adresse ist nirgends gespeichert: Geben Sie sie erneut ein.</translation>
    </message>
</context>
<context>
    <name>ForwardDestinationsModel</name>
    <message>
        <source>Number</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Rules</source>
        <translation>Regeln</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Wartend</translation>
    </message>
</context>
<context>
    <name>ForwardSecrets</name>
    <message>
        <source>The forwarding address could not be kept.</source>
        <translation>Die Weiterleitungsadresse konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>%@ is damaged.</source>
        <translation>%@ ist beschädigt.</translation>
    </message>
    <message>
        <source>The folder of %@ could not be made.</source>
        <translation>Der Ordner von %@ konnte nicht angelegt werden.</translation>
    </message>
</context>
<context>
    <name>Forwarder</name>
    <message>
        <source>the webhook may have been deleted</source>
        <translation>der Webhook wurde vielleicht gelöscht</translation>
    </message>
    <message>
        <source>its token may have been revoked</source>
        <translation>sein Token wurde vielleicht widerrufen</translation>
    </message>
    <message>
        <source>it refuses the message</source>
        <translation>es lehnt die Nachricht ab</translation>
    </message>
    <message>
        <source>Forwarding to %@ is paused: it answered %@, so %@. Edit or test the destination to resume; its reviews wait.</source>
        <translation>Die Weiterleitung an %@ ist angehalten: Es antwortete %@, also %@. Bearbeiten oder testen Sie das Ziel, um fortzufahren; seine Rezensionen warten.</translation>
    </message>
    <message>
        <source>Forwarding to %@ is paused: its address is kept neither in the secret service nor in %@. Edit the destination to give it again.</source>
        <translation>Die Weiterleitung an %@ ist angehalten: Seine Adresse liegt weder im Schlüsselbund-Dienst noch in %@. Bearbeiten Sie das Ziel, um sie erneut anzugeben.</translation>
    </message>
    <message>
        <source>A test from ReviewKeeper</source>
        <translation>Ein Test von ReviewKeeper</translation>
    </message>
    <message>
        <source>New reviews of the products this destination follows will arrive here like this one.</source>
        <translation>Neue Rezensionen der Produkte, denen dieses Ziel folgt, kommen hier so wie diese an.</translation>
    </message>
    <message>
        <source>Its address is kept nowhere.</source>
        <translation>Seine Adresse ist nirgends gespeichert.</translation>
    </message>
</context>
<context>
    <name>ForwardingPreferencesSection</name>
    <message>
        <source>Forwarding</source>
        <translation>Weiterleitung</translation>
    </message>
    <message>
        <source>New reviews are posted to these destinations at the end of each update.</source>
        <translation>Neue Rezensionen werden am Ende jeder Aktualisierung an diese Ziele gesendet.</translation>
    </message>
    <message>
        <source>Forwarding Destinations</source>
        <translation>Weiterleitungsziele</translation>
    </message>
    <message>
        <source>Add…</source>
        <translation>Hinzufügen …</translation>
    </message>
    <message>
        <source>Add a destination</source>
        <translation>Ein Ziel hinzufügen</translation>
    </message>
    <message>
        <source>Edit…</source>
        <translation>Bearbeiten …</translation>
    </message>
    <message>
        <source>Edit the destination</source>
        <translation>Das Ziel bearbeiten</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove the destination</source>
        <translation>Das Ziel entfernen</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>Send a test message</source>
        <translation>Eine Testnachricht senden</translation>
    </message>
    <message>
        <source>Forwarding Status</source>
        <translation>Weiterleitungsstatus</translation>
    </message>
    <message>
        <source>Edit Destination %ld (%@)</source>
        <translation>Ziel %ld bearbeiten (%@)</translation>
    </message>
    <message>
        <source>Keeping the address…</source>
        <translation>Die Adresse wird gespeichert …</translation>
    </message>
    <message>
        <source>The destination was removed meanwhile.</source>
        <translation>Das Ziel wurde inzwischen entfernt.</translation>
    </message>
    <message>
        <source>Destination %ld is added: %@.</source>
        <translation>Ziel %ld ist hinzugefügt: %@.</translation>
    </message>
    <message>
        <source>Destination %ld is changed: %@.</source>
        <translation>Ziel %ld ist geändert: %@.</translation>
    </message>
    <message>
        <source>No secret service runs: its address is kept in %@, readable only by you.</source>
        <translation>Es läuft kein Schlüsselbund-Dienst: Seine Adresse liegt in %@, nur für Sie lesbar.</translation>
    </message>
    <message>
        <source>Its address is kept in the secret service.</source>
        <translation>Seine Adresse liegt im Schlüsselbund-Dienst.</translation>
    </message>
    <message>
        <source>%ld stored reviews wait for the next update.</source>
        <translation>%ld gespeicherte Rezensionen warten auf die nächste Aktualisierung.</translation>
    </message>
    <message>
        <source>Destination %ld is removed, with %ld reviews that waited for it.</source>
        <translation>Ziel %ld ist entfernt, mit %ld Rezensionen, die darauf warteten.</translation>
    </message>
    <message>
        <source>Destination %ld is removed.</source>
        <translation>Ziel %ld ist entfernt.</translation>
    </message>
    <message>
        <source>Sending a test message to %@…</source>
        <translation>Eine Testnachricht wird an %@ gesendet …</translation>
    </message>
</context>
<context>
    <name>Groups</name>
    <message>
        <source>Applications</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>iBooks</source>
        <translation>iBooks</translation>
    </message>
    <message>
        <source>Podcasts</source>
        <translation>Podcasts</translation>
    </message>
</context>
<context>
    <name>HostViewController</name>
    <message>
        <source>Content</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>Update Progress</source>
        <translation>Aktualisierungsfortschritt</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>Wird aktualisiert</translation>
    </message>
    <message>
        <source>Update Status</source>
        <translation>Aktualisierungsstatus</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Update All Reviews &amp; Ratings</source>
        <translation>Alle Rezensionen &amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>( will be done automatically )</source>
        <translation>( geschieht automatisch )</translation>
    </message>
</context>
<context>
    <name>InstanceLock</name>
    <message>
        <source>The lock file %@ could not be created: %@.</source>
        <translation>Die Sperrdatei %@ konnte nicht angelegt werden: %@.</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>KeychainSecretStore</name>
    <message>
        <source>No secret service is running and %@ is not set.</source>
        <translation>Es läuft kein Schlüsselbund-Dienst und %@ ist nicht gesetzt.</translation>
    </message>
    <message>
        <source>No secret service is running.</source>
        <translation>Es läuft kein Schlüsselbund-Dienst.</translation>
    </message>
    <message>
        <source>No key is kept in the secret service and %@ is not set.</source>
        <translation>Im Schlüsselbund ist kein Schlüssel hinterlegt und %@ ist nicht gesetzt.</translation>
    </message>
    <message>
        <source>No key is kept in the secret service.</source>
        <translation>Im Schlüsselbund ist kein Schlüssel hinterlegt.</translation>
    </message>
    <message>
        <source>The secret service did not give out the key.</source>
        <translation>Der Schlüsselbund-Dienst hat den Schlüssel nicht herausgegeben.</translation>
    </message>
    <message>
        <source>The key could not be saved because no secret service is running.</source>
        <translation>Der Schlüssel konnte nicht gesichert werden, weil kein Schlüsselbund-Dienst läuft.</translation>
    </message>
    <message>
        <source>The secret service could not save the key.</source>
        <translation>Der Schlüsselbund-Dienst konnte den Schlüssel nicht sichern.</translation>
    </message>
    <message>
        <source>The key could not be removed because no secret service is running.</source>
        <translation>Der Schlüssel konnte nicht entfernt werden, weil kein Schlüsselbund-Dienst läuft.</translation>
    </message>
    <message>
        <source>The secret service could not remove the key.</source>
        <translation>Der Schlüsselbund-Dienst konnte den Schlüssel nicht entfernen.</translation>
    </message>
</context>
<context>
    <name>MainOutlineViewController</name>
    <message>
        <source>Products</source>
        <translation>Produkte</translation>
    </message>
    <message>
        <source>Add Product</source>
        <translation>Produkt hinzufügen</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>Are you sure you want to delete “%@”?</source>
        <translation>Möchten Sie „%@“ wirklich löschen?</translation>
    </message>
    <message>
        <source>You can’t undo this action.</source>
        <translation>Dieser Vorgang kann nicht widerrufen werden.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Mark All Reviews as Read</source>
        <translation>Alle Rezensionen als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All Reviews as Unread</source>
        <translation>Alle Rezensionen als ungelesen markieren</translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Update Reviews &amp; Ratings</source>
        <translation>Rezensionen &amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>Reload Product Details</source>
        <translation>Produktdetails neu laden</translation>
    </message>
    <message>
        <source>Delete “%@”</source>
        <translation>„%@“ löschen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Add an app, a book or a podcast to follow what its customers say.</source>
        <translation>Fügen Sie eine App, ein Buch oder einen Podcast hinzu, um zu verfolgen, was die Kunden darüber sagen.</translation>
    </message>
    <message>
        <source>Add a Product…</source>
        <translation>Produkt hinzufügen…</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>MainWindowController</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Ablage</translation>
    </message>
    <message>
        <source>Update Reviews &amp;&amp; Ratings</source>
        <translation>Rezensionen &amp;&amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>Update All Reviews &amp;&amp; Ratings</source>
        <translation>Alle Rezensionen &amp;&amp; Bewertungen aktualisieren</translation>
    </message>
    <message>
        <source>Cancel Update</source>
        <translation>Aktualisierung abbrechen</translation>
    </message>
    <message>
        <source>Add Product…</source>
        <translation>Produkt hinzufügen …</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Mark All as Read</source>
        <translation>Alle als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All as Unread</source>
        <translation>Alle als ungelesen markieren</translation>
    </message>
    <message>
        <source>Find…</source>
        <translation>Suchen …</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Darstellung</translation>
    </message>
    <message>
        <source>Reviews</source>
        <translation>Rezensionen</translation>
    </message>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>%@ Website</source>
        <translation>Website von %@</translation>
    </message>
    <message>
        <source>Privacy</source>
        <translation>Datenschutz</translation>
    </message>
    <message>
        <source>Acknowledgments</source>
        <translation>Danksagungen</translation>
    </message>
    <message>
        <source>Feedback &amp;&amp; Support…</source>
        <translation>Rückmeldung &amp;&amp; Hilfe …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>About %@</source>
        <translation>Über %@</translation>
    </message>
    <message>
        <source>&lt;b&gt;%@&lt;/b&gt; %@&lt;br&gt;Follows what customers say about products in Apple&apos;s online stores.</source>
        <translation>&lt;b&gt;%@&lt;/b&gt; %@&lt;br&gt;Verfolgt, was Kunden über Produkte in Apples Online-Stores sagen.</translation>
    </message>
</context>
<context>
    <name>PreferencesPopoverViewController</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Update Interval</source>
        <translation>Aktualisierungsintervall</translation>
    </message>
    <message>
        <source>Update automatically:</source>
        <translation>Automatisch aktualisieren:</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Every Hour</source>
        <translation>Jede Stunde</translation>
    </message>
    <message>
        <source>Every 3 Hours</source>
        <translation>Alle 3 Stunden</translation>
    </message>
    <message>
        <source>Every 6 Hours</source>
        <translation>Alle 6 Stunden</translation>
    </message>
    <message>
        <source>Every 12 Hours</source>
        <translation>Alle 12 Stunden</translation>
    </message>
    <message>
        <source>Every Day</source>
        <translation>Jeden Tag</translation>
    </message>
    <message>
        <source>Every %ld Hours</source>
        <translation>Alle %ld Stunden</translation>
    </message>
    <message>
        <source>Every %ld Minutes</source>
        <translation>Alle %ld Minuten</translation>
    </message>
    <message>
        <source>Every %ld Seconds</source>
        <translation>Alle %ld Sekunden</translation>
    </message>
    <message>
        <source>Update at startup</source>
        <translation>Beim Start aktualisieren</translation>
    </message>
    <message>
        <source>Regions to update:</source>
        <translation>Zu aktualisierende Regionen:</translation>
    </message>
    <message>
        <source>United States and Canada</source>
        <translation>USA und Kanada</translation>
    </message>
    <message>
        <source>Europe</source>
        <translation>Europa</translation>
    </message>
    <message>
        <source>Asia Pacific</source>
        <translation>Asien-Pazifik</translation>
    </message>
    <message>
        <source>Africa, the Middle East, and India</source>
        <translation>Afrika, Naher Osten und Indien</translation>
    </message>
    <message>
        <source>Latin America and the Caribbean</source>
        <translation>Lateinamerika und Karibik</translation>
    </message>
    <message>
        <source>%ld Countries</source>
        <translation>%ld Länder</translation>
    </message>
    <message>
        <source>Translation Language</source>
        <translation>Übersetzungssprache</translation>
    </message>
    <message>
        <source>Translate reviews into:</source>
        <translation>Rezensionen übersetzen in:</translation>
    </message>
    <message>
        <source>Show notifications</source>
        <translation>Mitteilungen anzeigen</translation>
    </message>
    <message>
        <source>Play notification sound</source>
        <translation>Mitteilungston abspielen</translation>
    </message>
    <message>
        <source>Arabic</source>
        <translation>Arabisch</translation>
    </message>
    <message>
        <source>Bosnian (Latin)</source>
        <translation>Bosnisch (lateinisch)</translation>
    </message>
    <message>
        <source>Bulgarian</source>
        <translation>Bulgarisch</translation>
    </message>
    <message>
        <source>Catalan</source>
        <translation>Katalanisch</translation>
    </message>
    <message>
        <source>Chinese Simplified</source>
        <translation>Chinesisch (vereinfacht)</translation>
    </message>
    <message>
        <source>Chinese Traditional</source>
        <translation>Chinesisch (traditionell)</translation>
    </message>
    <message>
        <source>Croatian</source>
        <translation>Kroatisch</translation>
    </message>
    <message>
        <source>Czech</source>
        <translation>Tschechisch</translation>
    </message>
    <message>
        <source>Danish</source>
        <translation>Dänisch</translation>
    </message>
    <message>
        <source>Dutch</source>
        <translation>Niederländisch</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>Estonian</source>
        <translation>Estnisch</translation>
    </message>
    <message>
        <source>Finnish</source>
        <translation>Finnisch</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Französisch</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Greek</source>
        <translation>Griechisch</translation>
    </message>
    <message>
        <source>Haitian Creole</source>
        <translation>Haitianisch</translation>
    </message>
    <message>
        <source>Hebrew</source>
        <translation>Hebräisch</translation>
    </message>
    <message>
        <source>Hindi</source>
        <translation>Hindi</translation>
    </message>
    <message>
        <source>Hmong Daw</source>
        <translation>Hmong Daw</translation>
    </message>
    <message>
        <source>Hungarian</source>
        <translation>Ungarisch</translation>
    </message>
    <message>
        <source>Indonesian</source>
        <translation>Indonesisch</translation>
    </message>
    <message>
        <source>Italian</source>
        <translation>Italienisch</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Japanisch</translation>
    </message>
    <message>
        <source>Kiswahili</source>
        <translation>Kisuaheli</translation>
    </message>
    <message>
        <source>Klingon</source>
        <translation>Klingonisch</translation>
    </message>
    <message>
        <source>Klingon (pIqaD</source>
        <translation>Klingonisch (pIqaD)</translation>
    </message>
    <message>
        <source>Latvian</source>
        <translation>Lettisch</translation>
    </message>
    <message>
        <source>Lithuanian</source>
        <translation>Litauisch</translation>
    </message>
    <message>
        <source>Malay</source>
        <translation>Malaiisch</translation>
    </message>
    <message>
        <source>Maltese</source>
        <translation>Maltesisch</translation>
    </message>
    <message>
        <source>Norwegian</source>
        <translation>Norwegisch</translation>
    </message>
    <message>
        <source>Persian</source>
        <translation>Persisch</translation>
    </message>
    <message>
        <source>Polish</source>
        <translation>Polnisch</translation>
    </message>
    <message>
        <source>Portuguese</source>
        <translation>Portugiesisch</translation>
    </message>
    <message>
        <source>Querétaro Otomi</source>
        <translation>Querétaro-Otomí</translation>
    </message>
    <message>
        <source>Romanian</source>
        <translation>Rumänisch</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Russisch</translation>
    </message>
    <message>
        <source>Serbian (Cyrillic)</source>
        <translation>Serbisch (kyrillisch)</translation>
    </message>
    <message>
        <source>Serbian (Latin)</source>
        <translation>Serbisch (lateinisch)</translation>
    </message>
    <message>
        <source>Slovak</source>
        <translation>Slowakisch</translation>
    </message>
    <message>
        <source>Slovenian</source>
        <translation>Slowenisch</translation>
    </message>
    <message>
        <source>Spanish</source>
        <translation>Spanisch</translation>
    </message>
    <message>
        <source>Swedish</source>
        <translation>Schwedisch</translation>
    </message>
    <message>
        <source>Thai</source>
        <translation>Thailändisch</translation>
    </message>
    <message>
        <source>Turkish</source>
        <translation>Türkisch</translation>
    </message>
    <message>
        <source>Ukrainian</source>
        <translation>Ukrainisch</translation>
    </message>
    <message>
        <source>Urdu</source>
        <translation>Urdu</translation>
    </message>
    <message>
        <source>Vietnamese</source>
        <translation>Vietnamesisch</translation>
    </message>
    <message>
        <source>Welsh</source>
        <translation>Walisisch</translation>
    </message>
    <message>
        <source>Yucatec Maya</source>
        <translation>Yukatekisches Maya</translation>
    </message>
    <message>
        <source>App Store Connect…</source>
        <translation>App Store Connect …</translation>
    </message>
    <message>
        <source>Set up App Store Connect</source>
        <translation>App Store Connect einrichten</translation>
    </message>
    <message>
        <source>Your own apps:</source>
        <translation>Eigene Apps:</translation>
    </message>
    <message>
        <source>App Store Connect</source>
        <translation>App Store Connect</translation>
    </message>
    <message>
        <source>Destinations…</source>
        <translation>Ziele …</translation>
    </message>
    <message>
        <source>Set up forwarding</source>
        <translation>Weiterleitung einrichten</translation>
    </message>
    <message>
        <source>Forward new reviews:</source>
        <translation>Neue Rezensionen weiterleiten:</translation>
    </message>
    <message>
        <source>Forwarding</source>
        <translation>Weiterleitung</translation>
    </message>
</context>
<context>
    <name>RQOperation</name>
    <message>
        <source>The server returned a %i error</source>
        <translation>Der Server meldete den Fehler %i</translation>
    </message>
</context>
<context>
    <name>Rating</name>
    <message>
        <source>-:-</source>
        <translation>-:-</translation>
    </message>
    <message>
        <source>1 Rating</source>
        <translation>1 Bewertung</translation>
    </message>
    <message>
        <source>%ld Ratings</source>
        <translation>%ld Bewertungen</translation>
    </message>
    <message>
        <source>%.1f Stars</source>
        <translation>%.1f Sterne</translation>
    </message>
</context>
<context>
    <name>RatingsHistoryChart</name>
    <message>
        <source>No ratings history yet. It grows with each update.</source>
        <translation>Noch kein Bewertungsverlauf. Er wächst mit jeder Aktualisierung.</translation>
    </message>
    <message>
        <source>Ratings History</source>
        <translation>Bewertungsverlauf</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Ratings History Chart</source>
        <translation>Diagramm des Bewertungsverlaufs</translation>
    </message>
    <message>
        <source>Rating Count</source>
        <translation>Anzahl der Bewertungen</translation>
    </message>
    <message>
        <source>Average Rating</source>
        <translation>Durchschnittliche Bewertung</translation>
    </message>
    <message>
        <source>Releases</source>
        <translation>Neue Versionen</translation>
    </message>
    <message>
        <source>All Countries</source>
        <translation>Alle Länder</translation>
    </message>
</context>
<context>
    <name>RatingsImporter</name>
    <message>
        <source>Loading Ratings…</source>
        <translation>Bewertungen werden geladen…</translation>
    </message>
    <message>
        <source>Updating Ratings: %@</source>
        <translation>Bewertungen werden aktualisiert: %@</translation>
    </message>
</context>
<context>
    <name>RatingsListModel</name>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>Durchschnitt</translation>
    </message>
    <message>
        <source>Ratings (Current Version)</source>
        <translation>Bewertungen (aktuelle Version)</translation>
    </message>
    <message>
        <source>Average (Current Version)</source>
        <translation>Durchschnitt (aktuelle Version)</translation>
    </message>
</context>
<context>
    <name>RatingsViewController</name>
    <message>
        <source>Ratings</source>
        <translation>Bewertungen</translation>
    </message>
    <message>
        <source>Ratings by Country</source>
        <translation>Bewertungen nach Land</translation>
    </message>
</context>
<context>
    <name>ReplyEditor</name>
    <message>
        <source>Reply to the Review</source>
        <translation>Auf die Rezension antworten</translation>
    </message>
    <message>
        <source>Reply</source>
        <translation>Antwort</translation>
    </message>
    <message>
        <source>Characters</source>
        <translation>Zeichen</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>Send the reply</source>
        <translation>Die Antwort senden</translation>
    </message>
    <message>
        <source>%1 of %2 characters</source>
        <translation>%1 von %2 Zeichen</translation>
    </message>
</context>
<context>
    <name>ReplyPane</name>
    <message>
        <source>Published</source>
        <translation>Veröffentlicht</translation>
    </message>
    <message>
        <source>Pending</source>
        <translation>Ausstehend</translation>
    </message>
    <message>
        <source>Your reply · %1</source>
        <translation>Ihre Antwort · %1</translation>
    </message>
    <message>
        <source>Your reply · %1 · %2</source>
        <translation>Ihre Antwort · %1 · %2</translation>
    </message>
    <message>
        <source>No App Store Connect key is connected: choose one in the preferences.</source>
        <translation>Kein App-Store-Connect-Schlüssel ist verbunden: Wählen Sie einen in den Einstellungen.</translation>
    </message>
    <message>
        <source>Reply to the review</source>
        <translation>Auf die Rezension antworten</translation>
    </message>
    <message>
        <source>Delete Reply</source>
        <translation>Antwort löschen</translation>
    </message>
    <message>
        <source>Delete the reply</source>
        <translation>Die Antwort löschen</translation>
    </message>
    <message>
        <source>Edit Reply…</source>
        <translation>Antwort bearbeiten …</translation>
    </message>
    <message>
        <source>Reply…</source>
        <translation>Antworten …</translation>
    </message>
</context>
<context>
    <name>Review</name>
    <message>
        <source>%ld out of %ld customers found this review helpful</source>
        <translation>%ld von %ld Kunden fanden diese Rezension hilfreich</translation>
    </message>
</context>
<context>
    <name>ReviewController</name>
    <message>
        <source>Earlier versions</source>
        <translation>Frühere Fassungen</translation>
    </message>
    <message>
        <source>Shown until %@</source>
        <translation>Angezeigt bis %@</translation>
    </message>
    <message>
        <source>Shown until %@, version %@</source>
        <translation>Angezeigt bis %@, Version %@</translation>
    </message>
    <message>
        <source>Reviews</source>
        <translation>Rezensionen</translation>
    </message>
    <message>
        <source>Version filter</source>
        <translation>Versionsfilter</translation>
    </message>
    <message>
        <source>Country filter</source>
        <translation>Länderfilter</translation>
    </message>
    <message>
        <source>Search reviews</source>
        <translation>Rezensionen durchsuchen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Missing reviews</source>
        <translation>Fehlende Rezensionen</translation>
    </message>
    <message>
        <source>Review list</source>
        <translation>Rezensionsliste</translation>
    </message>
    <message>
        <source>Review actions</source>
        <translation>Rezensionsaktionen</translation>
    </message>
    <message>
        <source>Review text</source>
        <translation>Rezensionstext</translation>
    </message>
    <message>
        <source>Mood</source>
        <translation>Stimmung</translation>
    </message>
    <message>
        <source>Translate</source>
        <translation>Übersetzen</translation>
    </message>
    <message>
        <source>Translate review</source>
        <translation>Rezension übersetzen</translation>
    </message>
    <message>
        <source>All Versions</source>
        <translation>Alle Versionen</translation>
    </message>
    <message>
        <source>All Countries</source>
        <translation>Alle Länder</translation>
    </message>
    <message>
        <source>Mark Unread</source>
        <translation>Als ungelesen markieren</translation>
    </message>
    <message>
        <source>Mark Read</source>
        <translation>Als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All as Read</source>
        <translation>Alle als gelesen markieren</translation>
    </message>
    <message>
        <source>Mark All as Unread</source>
        <translation>Alle als ungelesen markieren</translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Reviews in %1 from %2 to %3 may be missing.</source>
        <translation>Rezensionen aus %1 vom %2 bis %3 fehlen möglicherweise.</translation>
    </message>
    <message>
        <source>Unanswered</source>
        <translation>Unbeantwortet</translation>
    </message>
    <message>
        <source>Only unanswered reviews</source>
        <translation>Nur unbeantwortete Rezensionen</translation>
    </message>
</context>
<context>
    <name>ReviewImporter</name>
    <message>
        <source>You have %ld new %@.</source>
        <translation>Sie haben %ld neue %@.</translation>
    </message>
    <message>
        <source>You have %ld edited %@.</source>
        <translation>Sie haben %ld bearbeitete %@.</translation>
    </message>
    <message>
        <source>You have %ld new %@ and %ld edited %@.</source>
        <translation>Sie haben %ld neue %@ und %ld bearbeitete %@.</translation>
    </message>
    <message>
        <source>Loading Reviews…</source>
        <translation>Rezensionen werden geladen…</translation>
    </message>
    <message>
        <source>Updating Reviews: %@ done</source>
        <translation>Rezensionen aktualisiert: %@ fertig</translation>
    </message>
    <message>
        <source>Updating Reviews: %@ (%@)</source>
        <translation>Rezensionen werden aktualisiert: %@ (%@)</translation>
    </message>
    <message>
        <source>The reviews could not be stored.</source>
        <translation>Die Rezensionen konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The review store is not available.</source>
        <translation>Der Rezensionsspeicher ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>The product is no longer in the store.</source>
        <translation>Das Produkt ist nicht mehr im Speicher.</translation>
    </message>
</context>
<context>
    <name>ReviewListModel</name>
    <message>
        <source>Edited by its author; what it said before shows below its text.</source>
        <translation>Vom Verfasser bearbeitet; was vorher dastand, steht unter dem Text.</translation>
    </message>
    <message>
        <source>Unread</source>
        <translation>Ungelesen</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Gelesen</translation>
    </message>
    <message>
        <source>%1 of 5 stars</source>
        <translation>%1 von 5 Sternen</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Stars</source>
        <translation>Sterne</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Reviewer</source>
        <translation>Verfasser</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>Votes</source>
        <translation>Stimmen</translation>
    </message>
    <message>
        <source>Answered; the reply is published.</source>
        <translation>Beantwortet; die Antwort ist veröffentlicht.</translation>
    </message>
    <message>
        <source>Answered; the reply is pending.</source>
        <translation>Beantwortet; die Antwort steht aus.</translation>
    </message>
    <message>
        <source>edited, answered</source>
        <translation>bearbeitet, beantwortet</translation>
    </message>
    <message>
        <source>edited</source>
        <translation>bearbeitet</translation>
    </message>
    <message>
        <source>answered</source>
        <translation>beantwortet</translation>
    </message>
</context>
<context>
    <name>ReviewTranslation</name>
    <message>
        <source>Translation is not available.</source>
        <translation>Die Übersetzung ist nicht verfügbar.</translation>
    </message>
</context>
<context>
    <name>ReviewsPerWeekChart</name>
    <message>
        <source>%@ to %@: %ld reviews</source>
        <translation>%@ bis %@: %ld Rezensionen</translation>
    </message>
    <message>
        <source>%@ to %@: 1 review</source>
        <translation>%@ bis %@: 1 Rezension</translation>
    </message>
    <message>
        <source>%ld edited</source>
        <translation>%ld bearbeitet</translation>
    </message>
    <message>
        <source>No reviews to chart.</source>
        <translation>Keine Rezensionen für ein Diagramm.</translation>
    </message>
    <message>
        <source>Reviews per Week</source>
        <translation>Rezensionen pro Woche</translation>
    </message>
    <message>
        <source>Save Reviews per Week Chart</source>
        <translation>Diagramm der Rezensionen pro Woche speichern</translation>
    </message>
    <message>
        <source>Reviews per Week Chart</source>
        <translation>Diagramm der Rezensionen pro Woche</translation>
    </message>
    <message>
        <source>Edited</source>
        <translation>Bearbeitet</translation>
    </message>
    <message>
        <source>Reviews</source>
        <translation>Rezensionen</translation>
    </message>
</context>
<context>
    <name>SearchPopoverViewController</name>
    <message>
        <source>Store Search</source>
        <translation>Suche im Store</translation>
    </message>
    <message>
        <source>Name, id or store address</source>
        <translation>Name, ID oder Store-Adresse</translation>
    </message>
    <message>
        <source>Search the Store</source>
        <translation>Im Store suchen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Mac Apps</source>
        <translation>Mac-Apps</translation>
    </message>
    <message>
        <source>iPhone &amp; iPad Apps</source>
        <translation>iPhone- &amp; iPad-Apps</translation>
    </message>
    <message>
        <source>Books</source>
        <translation>Bücher</translation>
    </message>
    <message>
        <source>Podcasts</source>
        <translation>Podcasts</translation>
    </message>
    <message>
        <source>Search Results</source>
        <translation>Suchergebnisse</translation>
    </message>
    <message>
        <source>Searching</source>
        <translation>Suche läuft</translation>
    </message>
    <message>
        <source>Search Status</source>
        <translation>Suchstatus</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add Selected Products</source>
        <translation>Ausgewählte Produkte hinzufügen</translation>
    </message>
    <message>
        <source>Searching…</source>
        <translation>Suche läuft …</translation>
    </message>
    <message>
        <source>No results.</source>
        <translation>Keine Ergebnisse.</translation>
    </message>
</context>
<context>
    <name>SearchResultsModel</name>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
</context>
<context>
    <name>SidebarItemModel</name>
    <message>
        <source>%@, %@ unread</source>
        <translation>%@, %@ ungelesen</translation>
    </message>
</context>
<context>
    <name>TranslationPreferencesSection</name>
    <message>
        <source>Translation</source>
        <translation>Übersetzung</translation>
    </message>
    <message>
        <source>Translation Service</source>
        <translation>Übersetzungsdienst</translation>
    </message>
    <message>
        <source>Service:</source>
        <translation>Dienst:</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>Schlüssel</translation>
    </message>
    <message>
        <source>Key:</source>
        <translation>Schlüssel:</translation>
    </message>
    <message>
        <source>Region</source>
        <translation>Region</translation>
    </message>
    <message>
        <source>Region:</source>
        <translation>Region:</translation>
    </message>
    <message>
        <source>none for a global resource</source>
        <translation>leer bei einer globalen Ressource</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>the service&apos;s own</source>
        <translation>die des Dienstes</translation>
    </message>
    <message>
        <source>only if the server asks for one</source>
        <translation>nur wenn der Server einen verlangt</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>Test the translation service</source>
        <translation>Übersetzungsdienst testen</translation>
    </message>
    <message>
        <source>Test Result</source>
        <translation>Testergebnis</translation>
    </message>
    <message>
        <source>Enter an address beginning with http:// or https://.</source>
        <translation>Geben Sie eine Adresse ein, die mit http:// oder https:// beginnt.</translation>
    </message>
    <message>
        <source>Translating…</source>
        <translation>Übersetze …</translation>
    </message>
    <message>
        <source>The service answered with no text.</source>
        <translation>Der Dienst hat ohne Text geantwortet.</translation>
    </message>
</context>
<context>
    <name>TranslationProvider</name>
    <message>
        <source>No key for %@ is set. Enter it in the preferences.</source>
        <translation>Für %@ ist kein Schlüssel eingetragen. Tragen Sie ihn in den Einstellungen ein.</translation>
    </message>
    <message>
        <source>%@ did not accept the key. Check the key in the preferences.</source>
        <translation>%@ hat den Schlüssel nicht angenommen. Prüfen Sie den Schlüssel in den Einstellungen.</translation>
    </message>
    <message>
        <source>The quota of your %@ account is used up. Try again later, or raise the quota with the service.</source>
        <translation>Das Kontingent Ihres %@-Kontos ist aufgebraucht. Versuchen Sie es später noch einmal oder erhöhen Sie das Kontingent beim Dienst.</translation>
    </message>
    <message>
        <source>%@ does not translate into “%@”.</source>
        <translation>%@ übersetzt nicht in die Sprache „%@“.</translation>
    </message>
    <message>
        <source>%@ cannot be reached. Check the network connection and the service’s address in the preferences.</source>
        <translation>%@ ist nicht erreichbar. Prüfen Sie die Netzwerkverbindung und die Adresse des Dienstes in den Einstellungen.</translation>
    </message>
    <message>
        <source>%@ refused the translation (HTTP status %@).</source>
        <translation>%@ hat die Übersetzung abgelehnt (HTTP-Status %@).</translation>
    </message>
    <message>
        <source>%@ sent an answer that could not be read.</source>
        <translation>%@ hat eine Antwort gesendet, die nicht gelesen werden konnte.</translation>
    </message>
</context>
<context>
    <name>URLError</name>
    <message>
        <source>The server&apos;s answer could not be read.</source>
        <translation>Die Antwort des Servers konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>unsupported URL</source>
        <translation>nicht unterstützte URL</translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation>Bei der Anfrage ist eine Zeitüberschreitung aufgetreten.</translation>
    </message>
    <message>
        <source>A server with the specified hostname could not be found.</source>
        <translation>Es wurde kein Server mit dem angegebenen Namen gefunden.</translation>
    </message>
    <message>
        <source>Could not connect to the server.</source>
        <translation>Es konnte keine Verbindung zum Server hergestellt werden.</translation>
    </message>
    <message>
        <source>The network connection was lost.</source>
        <translation>Die Netzwerkverbindung wurde unterbrochen.</translation>
    </message>
    <message>
        <source>The host name could not be looked up.</source>
        <translation>Der Servername konnte nicht aufgelöst werden.</translation>
    </message>
    <message>
        <source>too many HTTP redirects</source>
        <translation>zu viele HTTP-Weiterleitungen</translation>
    </message>
    <message>
        <source>The Internet connection appears to be offline.</source>
        <translation>Es scheint keine Internetverbindung zu bestehen.</translation>
    </message>
    <message>
        <source>An SSL error has occurred and a secure connection to the server cannot be made.</source>
        <translation>Ein SSL-Fehler ist aufgetreten; eine sichere Verbindung zum Server ist nicht möglich.</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>bad URL</source>
        <translation>ungültige URL</translation>
    </message>
</context>
<context>
    <name>UpdateController</name>
    <message>
        <source>Rate Limit Exceeded</source>
        <translation>Abfragelimit überschritten</translation>
    </message>
    <message>
        <source>Please try again later, as the limit for the feed resets every couple of hours.</source>
        <translation>Bitte versuchen Sie es später noch einmal; das Limit des Feeds wird alle paar Stunden zurückgesetzt.</translation>
    </message>
</context>
<context>
    <name>XFSearchField</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Clear search</source>
        <translation>Suche löschen</translation>
    </message>
</context>
</TS>
