<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr">
<context>
    <name>CommandLine</name>
    <message>
        <source>Utilisation : vornel [options]</source>
        <translation>Usage: vornel [options]</translation>
    </message>
    <message>
        <source>affiche les ports TCP en écoute ou connectés, puis quitte</source>
        <translation>show the TCP ports that are listening or connected, then quit</translation>
    </message>
    <message>
        <source>affiche les fenêtres que voit Vornel (numéro, visible, réduite, largeur x hauteur, titre), puis quitte</source>
        <translation>show the windows Vornel sees (number, visible, minimized, width x height, title), then quit</translation>
    </message>
    <message>
        <source>surveille ce bureau (%1) au lieu de celui de la session ; de même la variable VORNEL_DESKTOP</source>
        <translation>watch this desktop (%1) instead of the session&apos;s; the variable VORNEL_DESKTOP does the same</translation>
    </message>
    <message>
        <source>NOM</source>
        <translation>NAME</translation>
    </message>
    <message>
        <source>affiche cette aide, puis quitte</source>
        <translation>show this help, then quit</translation>
    </message>
    <message>
        <source>affiche la version de Vornel et celle de Qt, puis quitte</source>
        <translation>show Vornel&apos;s version and Qt&apos;s, then quit</translation>
    </message>
    <message>
        <source>vérifie ce fichier de réglages (celui d&apos;un utilisateur ou celui de la machine) : affiche chaque ligne inutilisable et pourquoi, puis quitte (code 0 si tout est utilisable, 1 sinon)</source>
        <translation>check this settings file (a user&apos;s or the machine&apos;s): show every unusable line and why, then quit (code 0 if everything is usable, 1 otherwise)</translation>
    </message>
    <message>
        <source>FICHIER</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>option inconnue : %1</source>
        <translation>unknown option: %1</translation>
    </message>
    <message>
        <source>options inconnues : %1</source>
        <translation>unknown options: %1</translation>
    </message>
    <message>
        <source>il manque la valeur de l&apos;option %1</source>
        <translation>the option %1 needs a value</translation>
    </message>
    <message>
        <source>l&apos;option %1 ne prend pas de valeur</source>
        <translation>the option %1 takes no value</translation>
    </message>
    <message>
        <source>--check ne se combine avec aucune autre option</source>
        <translation>--check cannot be combined with any other option</translation>
    </message>
    <message>
        <source>il manque la valeur de l&apos;option --check</source>
        <translation>the option --check needs a value</translation>
    </message>
    <message>
        <source>argument inattendu : %1</source>
        <translation>unexpected argument: %1</translation>
    </message>
    <message>
        <source>il manque la valeur de l&apos;option --desktop</source>
        <translation>the option --desktop needs a value</translation>
    </message>
    <message>
        <source>le bureau « %1 » est inconnu. Choisissez %2.</source>
        <translation>unknown desktop “%1”. Choose %2.</translation>
    </message>
    <message>
        <source>--ports ne se combine ni avec --windows ni avec --desktop</source>
        <translation>--ports cannot be combined with --windows or --desktop</translation>
    </message>
</context>
<context>
    <name>ConnectionList</name>
    <message>
        <source>Fin inattendue des résultats de la requête.</source>
        <translation>Unexpected end of the query results.</translation>
    </message>
    <message>
        <source>La bibliothèque Windows Sockets n&apos;a pas pu être initialisée.</source>
        <translation>The Windows Sockets library could not be initialized.</translation>
    </message>
    <message>
        <source>La bibliothèque de l&apos;agent d&apos;extension SNMP est introuvable.</source>
        <translation>The SNMP extension agent library cannot be found.</translation>
    </message>
    <message>
        <source>L&apos;agent d&apos;extension SNMP n&apos;a pas pu être initialisé.</source>
        <translation>The SNMP extension agent could not be initialized.</translation>
    </message>
    <message>
        <source>Les ressources nécessaires n&apos;ont pas pu être allouées</source>
        <translation>The resources needed could not be allocated</translation>
    </message>
    <message>
        <source>La liste des connexions n&apos;a pas pu être verrouillée</source>
        <translation>The connection list could not be locked</translation>
    </message>
    <message>
        <source>La liste des connexions n&apos;a pas pu être déverrouillée</source>
        <translation>The connection list could not be unlocked</translation>
    </message>
    <message>
        <source>Indice de liste hors limites (%1)</source>
        <translation>List index out of bounds (%1)</translation>
    </message>
    <message>
        <source>L&apos;opération demandée n&apos;est pas possible dans l&apos;état actuel.</source>
        <translation>The requested operation is not possible in the current state.</translation>
    </message>
    <message>
        <source>La requête SNMP a échoué.</source>
        <translation>The SNMP query failed.</translation>
    </message>
    <message>
        <source>L&apos;agent SNMP n&apos;a pas dépassé le dernier objet.</source>
        <translation>The SNMP agent did not move past the last object.</translation>
    </message>
</context>
<context>
    <name>DesktopChoice</name>
    <message>
        <source>KDE Plasma : %1</source>
        <translation>KDE Plasma: %1</translation>
    </message>
    <message>
        <source>Aucune fenêtre n&apos;est listée : le script que Vornel charge dans KWin n&apos;a pas répondu en %1 secondes. Réessayez dans un instant.</source>
        <translation>No windows listed: the script Vornel loads into KWin did not answer within %1 seconds. Try again in a moment.</translation>
    </message>
    <message>
        <source>Les règles de taille ne ferment rien sur ce bureau : il ne donne pas la taille des fenêtres. Utilisez des règles sur le titre seul.</source>
        <translation>Size rules close nothing on this desktop: it does not give the size of windows. Use rules on the title only.</translation>
    </message>
    <message>
        <source>Seules les fenêtres XWayland sont surveillées : le bureau Wayland de cette session (XDG_CURRENT_DESKTOP=%1) ne laisse pas voir les autres.</source>
        <translation>Only XWayland windows are watched: this session&apos;s Wayland desktop (XDG_CURRENT_DESKTOP=%1) does not show the others.</translation>
    </message>
    <message>
        <source>« %1 »</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>Aucune fenêtre n&apos;est surveillée : </source>
        <translation>No windows are watched: </translation>
    </message>
    <message>
        <source>le bureau %1 est inconnu. Choisissez %2.</source>
        <translation>the desktop %1 is unknown. Choose %2.</translation>
    </message>
    <message>
        <source>le bureau %1 demandé ne répond pas. Retirez l&apos;option --desktop ou la variable VORNEL_DESKTOP.</source>
        <translation>the desktop %1 you asked for does not answer. Remove the option --desktop or the variable VORNEL_DESKTOP.</translation>
    </message>
    <message>
        <source>le bureau de cette session (XDG_CURRENT_DESKTOP=%1) ne peut pas être surveillé. %2.</source>
        <translation>this session&apos;s desktop (XDG_CURRENT_DESKTOP=%1) cannot be watched. %2.</translation>
    </message>
    <message>
        <source> ; </source>
        <translation>; </translation>
    </message>
    <message>
        <source>le bureau Wayland de cette session (XDG_CURRENT_DESKTOP=%1) ne laisse pas voir les fenêtres des autres programmes. Vornel fonctionne sous GNOME, KDE Plasma, sway, les bureaux wlroots (labwc, Hyprland, wayfire…) et X11.</source>
        <translation>this session&apos;s Wayland desktop (XDG_CURRENT_DESKTOP=%1) does not show the windows of other programs. Vornel works on GNOME, KDE Plasma, sway, the wlroots desktops (labwc, Hyprland, wayfire…) and X11.</translation>
    </message>
    <message>
        <source>l&apos;écran X %1 ne répond pas.</source>
        <translation>the X display %1 does not answer.</translation>
    </message>
    <message>
        <source>aucun bureau graphique n&apos;a été trouvé (ni Wayland ni X11). Lancez Vornel depuis votre session de bureau.</source>
        <translation>no graphical desktop was found (neither Wayland nor X11). Start Vornel from your desktop session.</translation>
    </message>
    <message>
        <source>%1 ou %2</source>
        <translation>%1 or %2</translation>
    </message>
    <message>
        <source>Aucune fenêtre n&apos;est surveillée : le bureau « %1 » n&apos;existe pas sous Windows.</source>
        <translation>No windows are watched: the desktop “%1” does not exist on Windows.</translation>
    </message>
    <message>
        <source>Aucune fenêtre n&apos;est listée : GNOME Shell n&apos;a pas répondu en %1 secondes. Réessayez dans un instant.</source>
        <translation>No windows listed: GNOME Shell did not answer within %1 seconds. Try again in a moment.</translation>
    </message>
</context>
<context>
    <name>ErrorBox</name>
    <message>
        <source>%1 : %2</source>
        <comment>a failure : its reason</comment>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>GnomeDesktop</name>
    <message>
        <source>L&apos;extension GNOME Shell de Vornel</source>
        <translation>Vornel&apos;s GNOME Shell extension</translation>
    </message>
    <message>
        <source> est désactivée : aucune fenêtre n&apos;est surveillée. Réactivez-la dans l&apos;application Extensions.</source>
        <translation> is turned off: no windows are watched. Turn it back on in the Extensions application.</translation>
    </message>
    <message>
        <source>impossible de créer %1</source>
        <translation>cannot create %1</translation>
    </message>
    <message>
        <source> est activée mais ne répond pas encore : réessayez dans un instant.</source>
        <translation> is turned on but does not answer yet: try again in a moment.</translation>
    </message>
    <message>
        <source> n&apos;est pas activée : lancez Vornel, qui l&apos;activera.</source>
        <translation> is not turned on: start Vornel, which will turn it on.</translation>
    </message>
    <message>
        <source> n&apos;est pas installée : lancez Vornel une fois pour l&apos;installer, puis rouvrez la session.</source>
        <translation> is not installed: start Vornel once to install it, then log in again.</translation>
    </message>
    <message>
        <source>Fenêtres visibles après la prochaine connexion : l&apos;extension GNOME Shell de Vornel est installée et activée, mais GNOME ne la charge qu&apos;à l&apos;ouverture de la session.</source>
        <translation>Windows visible after the next login: Vornel&apos;s GNOME Shell extension is installed and turned on, but GNOME loads it only when the session starts.</translation>
    </message>
    <message>
        <source> est installée mais pas activée : lancez Vornel une fois pour l&apos;activer, puis rouvrez la session.</source>
        <translation> is installed but not turned on: start Vornel once to turn it on, then log in again.</translation>
    </message>
    <message>
        <source>Les extensions de GNOME Shell sont désactivées : aucune fenêtre n&apos;est surveillée. Réactivez-les dans l&apos;application Extensions.</source>
        <translation>GNOME Shell extensions are turned off: no windows are watched. Turn them back on in the Extensions application.</translation>
    </message>
    <message>
        <source> ne fonctionne pas : </source>
        <translation> does not work: </translation>
    </message>
    <message>
        <source>elle ne convient pas à cette version de GNOME.</source>
        <translation>it does not suit this version of GNOME.</translation>
    </message>
    <message>
        <source> n&apos;est pas installée : </source>
        <translation> is not installed: </translation>
    </message>
    <message>
        <source> n&apos;est pas activée : activez-la dans l&apos;application Extensions.</source>
        <translation> is not turned on: turn it on in the Extensions application.</translation>
    </message>
    <message>
        <source>Fenêtres visibles après la prochaine connexion : Vornel a installé et activé son extension GNOME Shell, que GNOME ne charge qu&apos;à l&apos;ouverture de la session.</source>
        <translation>Windows visible after the next login: Vornel has installed and turned on its GNOME Shell extension, which GNOME loads only when the session starts.</translation>
    </message>
    <message>
        <source>Vornel a perdu son nom org.vornel.Vornel sur le bus de session : aucune fenêtre n&apos;est surveillée. Relancez Vornel.</source>
        <translation>Vornel lost its name org.vornel.Vornel on the session bus: no windows are watched. Start Vornel again.</translation>
    </message>
    <message>
        <source> refuse de répondre à Vornel : aucune fenêtre n&apos;est surveillée. Rouvrez la session pour que GNOME charge la version de l&apos;extension qui va avec ce Vornel.</source>
        <translation> refuses to answer Vornel: no windows are watched. Log in again so that GNOME loads the version of the extension that goes with this Vornel.</translation>
    </message>
    <message>
        <source> ne fonctionne pas : elle a rencontré une erreur.</source>
        <translation> does not work: it ran into an error.</translation>
    </message>
    <message>
        <source>GNOME Shell n&apos;a pas répondu en %1 secondes (%2) : aucune fenêtre n&apos;est surveillée. Vornel réessaie.</source>
        <translation>GNOME Shell did not answer within %1 seconds (%2): no windows are watched. Vornel is trying again.</translation>
    </message>
    <message>
        <source>GNOME Shell a refusé de répondre (%1 : « %2 ») : aucune fenêtre n&apos;est surveillée. Vornel réessaie.</source>
        <translation>GNOME Shell refused to answer (%1: “%2”): no windows are watched. Vornel is trying again.</translation>
    </message>
    <message>
        <source>état de l&apos;extension</source>
        <translation>extension state</translation>
    </message>
    <message>
        <source>version de GNOME Shell</source>
        <translation>GNOME Shell version</translation>
    </message>
    <message>
        <source> n&apos;est pas activée : la liste des extensions de GNOME n&apos;a pas pu être lue</source>
        <translation> is not turned on: GNOME&apos;s list of extensions could not be read</translation>
    </message>
    <message>
        <source> (gsettings n&apos;a pas répondu en %1 secondes)</source>
        <translation> (gsettings did not answer within %1 seconds)</translation>
    </message>
    <message>
        <source>. Activez-la dans l&apos;application Extensions.</source>
        <translation>. Turn it on in the Extensions application.</translation>
    </message>
    <message>
        <source>liste des fenêtres</source>
        <translation>window list</translation>
    </message>
</context>
<context>
    <name>KWinDesktop</name>
    <message>
        <source>KWin n&apos;a pas répondu en %1 secondes</source>
        <translation>KWin did not answer within %1 seconds</translation>
    </message>
    <message>
        <source>KWin a répondu « %1 »</source>
        <translation>KWin answered “%1”</translation>
    </message>
    <message>
        <source>KWin a refusé de le charger</source>
        <translation>KWin refused to load it</translation>
    </message>
    <message>
        <source>XDG_RUNTIME_DIR n&apos;est pas défini</source>
        <translation>XDG_RUNTIME_DIR is not set</translation>
    </message>
    <message>
        <source>impossible de créer %1 : %2</source>
        <translation>cannot create %1: %2</translation>
    </message>
    <message>
        <source>%1 n&apos;est pas un dossier à l&apos;utilisateur seul</source>
        <translation>%1 is not a folder of the user&apos;s alone</translation>
    </message>
    <message>
        <source>impossible d&apos;écrire %1 : %2</source>
        <translation>cannot write %1: %2</translation>
    </message>
    <message>
        <source>le bus de session ne répond pas</source>
        <translation>the session bus does not answer</translation>
    </message>
    <message>
        <source>KWin n&apos;est pas sur le bus de session</source>
        <translation>KWin is not on the session bus</translation>
    </message>
    <message>
        <source>l&apos;objet /KWinScript est déjà pris sur le bus de session</source>
        <translation>the object /KWinScript is already taken on the session bus</translation>
    </message>
    <message>
        <source>Vornel a perdu son nom org.vornel.Vornel sur le bus de session : aucune fenêtre n&apos;est surveillée. Relancez Vornel.</source>
        <translation>Vornel lost its name org.vornel.Vornel on the session bus: no windows are watched. Start Vornel again.</translation>
    </message>
    <message>
        <source>le Vornel en cours n&apos;a pas prêté ses fenêtres</source>
        <translation>the running Vornel did not lend its windows</translation>
    </message>
    <message>
        <source>il n&apos;a rien signalé en %1 secondes</source>
        <translation>it reported nothing within %1 seconds</translation>
    </message>
    <message>
        <source>Le script de Vornel ne fonctionne pas dans KWin (%1) : aucune fenêtre n&apos;est surveillée. Vornel réessaie ; si cela dure, redémarrez la session.</source>
        <translation>Vornel&apos;s script does not work in KWin (%1): no windows are watched. Vornel keeps trying; if this lasts, restart the session.</translation>
    </message>
    <message>
        <source>Le script de Vornel a été retiré de KWin : aucune fenêtre n&apos;est surveillée. Vornel le charge de nouveau.</source>
        <translation>Vornel&apos;s script was removed from KWin: no windows are watched. Vornel is loading it again.</translation>
    </message>
</context>
<context>
    <name>PageBrowser</name>
    <message>
        <source>Le navigateur intégré ne peut pas être créé : %1 (0x%2)</source>
        <translation>The built-in browser cannot be created: %1 (0x%2)</translation>
    </message>
    <message>
        <source>L&apos;adresse ne peut pas être demandée : %1</source>
        <translation>The address cannot be requested: %1</translation>
    </message>
    <message>
        <source>Adresse invalide : %1</source>
        <translation>Invalid address: %1</translation>
    </message>
    <message>
        <source>Le navigateur intégré ne peut pas être chargé : %1</source>
        <translation>The built-in browser cannot be loaded: %1</translation>
    </message>
</context>
<context>
    <name>PortsPage</name>
    <message>
        <source>Port %1 en écoute</source>
        <translation>Port %1 listening</translation>
    </message>
    <message>
        <source>Port %1 connecté</source>
        <translation>Port %1 connected</translation>
    </message>
    <message>
        <source> : %1</source>
        <translation>: %1</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>Vornel est déjà lancé mais ne répond pas. Cette copie s&apos;arrête sans rien modifier ; fermez l&apos;autre Vornel, puis relancez le programme.</source>
        <translation>Vornel is already running but does not answer. This copy stops without changing anything; close the other Vornel, then start the program again.</translation>
    </message>
    <message>
        <source>Vornel ne peut pas vérifier qu&apos;il est le seul lancé : aucun dossier privé n&apos;a pu recevoir son verrou. Cette copie s&apos;arrête sans rien modifier ; le dossier ~/.cache/vornel doit vous appartenir et n&apos;être ouvert qu&apos;à vous.</source>
        <translation>Vornel cannot make sure that it is the only one running: no private folder could take its lock. This copy stops without changing anything; the folder ~/.cache/vornel must belong to you and be open to you alone.</translation>
    </message>
    <message>
        <source>Un autre Vornel est déjà lancé, sans doute en tant qu&apos;administrateur ou par un autre compte, et cette copie ne peut pas lui demander de se fermer. Elle s&apos;arrête sans rien modifier ; fermez l&apos;autre Vornel, puis relancez le programme.</source>
        <translation>Another Vornel is already running, probably as administrator or by another account, and this copy cannot ask it to close. It stops without changing anything; close the other Vornel, then start the program again.</translation>
    </message>
</context>
<context>
    <name>SettingsCheck</name>
    <message>
        <source>« %1 »</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>la clé %1 ne peut pas être imposée</source>
        <translation>the key %1 cannot be imposed</translation>
    </message>
    <message>
        <source>%1 n&apos;est pas un nombre entier</source>
        <translation>%1 is not a whole number</translation>
    </message>
    <message>
        <source>clé inconnue %1</source>
        <translation>unknown key %1</translation>
    </message>
    <message>
        <source>%1 n&apos;est pas un numéro de port (0 à 65535)</source>
        <translation>%1 is not a port number (0 to 65535)</translation>
    </message>
    <message>
        <source>le mode du titre %1 n&apos;est ni Y, ni E, ni N</source>
        <translation>the title mode %1 is neither Y, E nor N</translation>
    </message>
    <message>
        <source>le mode de la dimension %1 n&apos;est ni Y, ni E, ni N</source>
        <translation>the size mode %1 is neither Y, E nor N</translation>
    </message>
    <message>
        <source>cette règle n&apos;a aucune condition : elle fermerait toutes les fenêtres du navigateur</source>
        <translation>this rule has no condition: it would close every browser window</translation>
    </message>
    <message>
        <source>le texte que le titre doit contenir est vide : la règle ne vaut jamais</source>
        <translation>the text the title must contain is empty: the rule never holds</translation>
    </message>
    <message>
        <source>la largeur et la hauteur doivent être des nombres entiers positifs</source>
        <translation>the width and the height must be positive whole numbers</translation>
    </message>
    <message>
        <source>ce n&apos;est pas une règle (numéro=mode,titre,mode,largeur,hauteur)</source>
        <translation>this is not a rule (number=mode,title,mode,width,height)</translation>
    </message>
    <message>
        <source>ce n&apos;est ni un titre de section ni une ligne clé=valeur</source>
        <translation>this is neither a section title nor a key=value line</translation>
    </message>
    <message>
        <source>section inconnue %1 : ses lignes sont ignorées</source>
        <translation>unknown section %1: its lines are ignored</translation>
    </message>
    <message>
        <source>la section %1 est déjà ouverte ligne %2 : ses lignes sont ignorées</source>
        <translation>the section %1 is already opened on line %2: its lines are ignored</translation>
    </message>
    <message>
        <source>cette ligne est hors de toute section</source>
        <translation>this line is outside any section</translation>
    </message>
    <message>
        <source>la clé %1 est déjà donnée ligne %2 : celle-ci est ignorée</source>
        <translation>the key %1 is already given on line %2: this one is ignored</translation>
    </message>
    <message>
        <source>%1 n&apos;est pas un numéro de règle (1, 2, 3…)</source>
        <translation>%1 is not a rule number (1, 2, 3…)</translation>
    </message>
    <message>
        <source>la règle n° %1 manque</source>
        <translation>rule no. %1 is missing</translation>
    </message>
    <message>
        <source>la liste s&apos;arrête à %1 règles</source>
        <translation>the list stops at %1 rules</translation>
    </message>
    <message>
        <source>règle ignorée : %1</source>
        <translation>rule ignored: %1</translation>
    </message>
    <message>
        <source>la règle n° %1 est vide</source>
        <translation>rule no. %1 is empty</translation>
    </message>
    <message>
        <source>le fichier ne peut pas être lu</source>
        <translation>the file cannot be read</translation>
    </message>
    <message>
        <source>le fichier n&apos;existe pas</source>
        <translation>the file does not exist</translation>
    </message>
    <message>
        <source>ce n&apos;est pas un fichier texte</source>
        <translation>this is not a text file</translation>
    </message>
    <message>
        <source>%1 : %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1, ligne %2 : %3</source>
        <translation>%1, line %2: %3</translation>
    </message>
</context>
<context>
    <name>SettingsFiles</name>
    <message>
        <source>Réglages en lecture seule : %1 ne peut pas être modifié par cet utilisateur ; Vornel l&apos;a copié dans %2 et enregistre désormais là</source>
        <translation>Read-only settings: %1 cannot be changed by this user; Vornel copied it into %2 and saves there from now on</translation>
    </message>
    <message>
        <source>%1 octets écrits sur %2 : %3</source>
        <translation>%1 of %2 bytes written: %3</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>Le fichier de réglages %1 n&apos;est pas un fichier texte : Vornel ne peut pas le lire et ne le remplace pas. Enregistrez-le en texte (UTF-8 ou Unicode) ou supprimez-le pour que les réglages soient de nouveau enregistrés</source>
        <translation>The settings file %1 is not a text file: Vornel cannot read it and does not replace it. Save it as text (UTF-8 or Unicode) or delete it so that the settings are saved again</translation>
    </message>
    <message>
        <source>Dernière mise à jour il y a %1 jour.</source>
        <translation>Last update check %1 day ago.</translation>
    </message>
    <message>
        <source>Dernière mise à jour il y a %1 jours.</source>
        <translation>Last update check %1 days ago.</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire dans %1</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <source>Impossible de créer le fichier %1</source>
        <translation>Cannot create the file %1</translation>
    </message>
</context>
<context>
    <name>SwayDesktop</name>
    <message>
        <source>Vornel a perdu sa connexion au gestionnaire de fenêtres : aucune fenêtre n&apos;est surveillée. Vornel essaie de la rétablir.</source>
        <translation>Vornel lost its connection to the window manager: no windows are watched. Vornel is trying to restore it.</translation>
    </message>
    <message>
        <source>Le gestionnaire de fenêtres a refusé de signaler les changements de fenêtres : aucune fenêtre n&apos;est surveillée. Vornel réessaie.</source>
        <translation>The window manager refused to report window changes: no windows are watched. Vornel is trying again.</translation>
    </message>
    <message>
        <source>Le gestionnaire de fenêtres n&apos;a pas répondu en %1 secondes : les fenêtres qu&apos;il montre ne sont pas toutes surveillées. Vornel attend sa réponse.</source>
        <translation>The window manager did not answer within %1 seconds: not all of its windows are watched. Vornel is waiting for its answer.</translation>
    </message>
</context>
<context>
    <name>TfmFerme</name>
    <message>
        <source>Fermeture automatique</source>
        <translation>Automatic closing</translation>
    </message>
    <message>
        <source>Fermer automatiquement les fenêtres dont : (Faites vos choix)</source>
        <translation>Automatically close the windows whose: (make your choices)</translation>
    </message>
    <message>
        <source>Le titre contient le texte</source>
        <translation>Title contains the text</translation>
    </message>
    <message>
        <source>Le titre est égal à</source>
        <translation>Title is equal to</translation>
    </message>
    <message>
        <source>Pas cette condition</source>
        <translation>Not this condition</translation>
    </message>
    <message>
        <source>ET</source>
        <translation>AND</translation>
    </message>
    <message>
        <source>La dimension est égale à</source>
        <translation>Size is equal to</translation>
    </message>
    <message>
        <source>La dimension est inférieure à</source>
        <translation>Size is at most</translation>
    </message>
    <message>
        <source>Pas de condition de dimension</source>
        <translation>No size condition</translation>
    </message>
    <message>
        <source>Largeur</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Hauteur</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Annuler</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>%1 fenêtre</source>
        <translation>%1 window</translation>
    </message>
    <message>
        <source>%1 fenêtres</source>
        <translation>%1 windows</translation>
    </message>
    <message>
        <source>Aucune fenêtre ouverte ne correspond à cette règle.</source>
        <translation>No open window matches this rule.</translation>
    </message>
    <message>
        <source>Cette règle ne fermerait maintenant aucune fenêtre.</source>
        <translation>This rule would close no window now.</translation>
    </message>
    <message>
        <source>Cette règle fermerait maintenant %1 : %2</source>
        <translation>This rule would close %1 now: %2</translation>
    </message>
    <message>
        <source> Elle vaut pour %1 qui n&apos;est pas de navigateur et resterait ouverte : %2.</source>
        <translation> It holds for %1 that is not a browser and would stay open: %2.</translation>
    </message>
    <message>
        <source> Elle vaut aussi pour %1 qui n&apos;est pas de navigateur et resterait ouverte : %2.</source>
        <translation> It also holds for %1 that is not a browser and would stay open: %2.</translation>
    </message>
    <message>
        <source> Elle vaut pour %1 qui ne sont pas de navigateur et resteraient ouvertes : %2.</source>
        <translation> It holds for %1 that are not browsers and would stay open: %2.</translation>
    </message>
    <message>
        <source> Elle vaut aussi pour %1 qui ne sont pas de navigateur et resteraient ouvertes : %2.</source>
        <translation> It also holds for %1 that are not browsers and would stay open: %2.</translation>
    </message>
</context>
<context>
    <name>TfmVornel</name>
    <message>
        <source>&amp;Bienvenue</source>
        <translation>&amp;Welcome</translation>
    </message>
    <message>
        <source>En &amp;cours</source>
        <translation>&amp;Current</translation>
    </message>
    <message>
        <source>&amp;Pubs</source>
        <translation>&amp;Ads</translation>
    </message>
    <message>
        <source>Por&amp;ts</source>
        <translation>Por&amp;ts</translation>
    </message>
    <message>
        <source>St&amp;ats</source>
        <translation>&amp;Stats</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>&amp;Mise à jour
et FAQ</source>
        <translation>&amp;Update
and FAQ</translation>
    </message>
    <message>
        <source>Bienvenue</source>
        <translation>Welcome</translation>
    </message>
    <message>
        <source>Site Internet :</source>
        <translation>Website:</translation>
    </message>
    <message>
        <source>Ce logiciel vous permet de fermer les fenêtres de 
pub apparaissant pendant la navigation sur le net.
Vous évitez ainsi de cliquer partout et vous gagnez
en vitesse de chargement des pages.
Ce logiciel liste également les ports ouverts sur 
votre ordinateur et permet ainsi de détecter toute 
connexion douteuse.
Vornel est un logiciel libre, distribué sous la 
licence MIT : vous pouvez l&apos;utiliser, le copier, 
le modifier et le redistribuer librement, à 
condition d&apos;y joindre sa notice de copyright et de 
licence. Il est fourni sans aucune garantie.
Son utilisation est très simple :
lorsque vous voyez une fenêtre qui s&apos;ouvre en 
même temps que vous visitez une page sur Internet, 
il y a de grandes chances pour que ce soit une 
pub. Il vous suffit de la repérer dans l&apos;onglet &quot;En 
cours&quot; puis de cliquer sur &quot;Fermer 
automatiquement cette fenêtre de pub&quot;. Dans la 
fenêtre qui apparaît, choisissez les 
conditions de fermeture (titre et/ou taille) et 
cliquez sur Ok. Et voilà ! La prochaine fois, vous 
n&apos;aurez plus de fenêtre de pub remplissant cette 
condition-là !

Vornel reste discrètement à côté de l&apos;horloge.
Un clic sur son icône ouvre un menu qui liste les 
fenêtres de votre navigateur, met le blocage en 
pause ou le reprend, affiche cette fenêtre ou 
quitte le programme.

La page &quot;Pubs&quot; liste vos conditions de fermeture :
vous pouvez en ajouter, les modifier ou les 
supprimer à tout moment.

La page &quot;Stats&quot; compte les fenêtres fermées et 
garde la liste de chaque fermeture avec sa date.

La page &quot;Options&quot; permet de choisir le son joué à 
chaque fermeture, les noms de navigateur à 
surveiller et le lancement de Vornel à l&apos;ouverture de session.

Nouvelles versions et questions fréquentes : 
page &quot;Mise à jour et FAQ&quot; et site Internet de 
Vornel, dont l&apos;adresse figure en haut de cette 
page.

À bientôt !</source>
        <translation>This program closes the advertising windows that
open while you browse the web. You no longer click
them away one by one, and pages load faster.
It also lists the ports open on your computer, so
that you can spot any suspicious connection.
Vornel is free software, distributed under the
MIT license: you may use, copy, change and
redistribute it freely, provided you include its
copyright and license notice. It comes without
any warranty.
It is very easy to use:
when you see a window open as you visit a page on
the Internet, it is most likely an ad. Find it on
the &quot;Current&quot; page, then click &quot;Close this ad
window automatically&quot;. In the window that appears,
choose the closing conditions (title and/or size)
and click OK. That&apos;s it! Next time, no ad window
meeting that condition will bother you again!

Vornel stays quietly beside the clock.
A click on its icon opens a menu that lists your
browser&apos;s windows, pauses or resumes the
blocking, shows this window or quits the program.

The &quot;Ads&quot; page lists your closing conditions:
you can add, change or delete them at any time.

The &quot;Stats&quot; page counts the windows closed and
keeps a list of every closing with its date.

The &quot;Options&quot; page lets you choose the sound
played at each closing, the browser names to
watch, and whether Vornel starts when you log in.

New versions and frequent questions: the
&quot;Update and FAQ&quot; page and Vornel&apos;s website,
whose address is at the top of this page.

See you soon!</translation>
    </message>
    <message>
        <source>Fenêtres actuellement ouvertes</source>
        <translation>Windows open now</translation>
    </message>
    <message>
        <source>Cette liste indique toutes les fenêtres ouvertes par votre navigateur en ce moment. Si l&apos;une d&apos;elles est une fenêtre de pub, sélectionnez-la et cliquez sur &quot;Fermer automatiquement...&quot;.</source>
        <translation>This list shows every window your browser has open right now. If one of them is an ad window, select it and click &quot;Close this ad window automatically&quot;.</translation>
    </message>
    <message>
        <source>Si cette liste reste vide, il vous faut changer le nom du navigateur à rechercher dans les options.</source>
        <translation>If this list stays empty, change the browser name to look for in the options.</translation>
    </message>
    <message>
        <source>&amp;Fermer automatiquement cette fenêtre de pub</source>
        <translation>Clos&amp;e this ad window automatically</translation>
    </message>
    <message>
        <source>Fenêtres fermées automatiquement</source>
        <translation>Windows closed automatically</translation>
    </message>
    <message>
        <source>Cette liste indique toutes les fenêtres qui seront fermées automatiquement si elles apparaissent à l&apos;écran. Si des fenêtres disparaissent sans que vous le vouliez, il vous faut supprimer ou modifier la condition de fermeture.</source>
        <translation>This list shows every window that will be closed automatically when it appears on the screen. If windows disappear when you did not want them to, delete or change the closing condition.</translation>
    </message>
    <message>
        <source>Vous pouvez ajouter des conditions manuellement en cliquant sur &quot;Nouvelle condition&quot;.</source>
        <translation>You can add conditions by hand by clicking &quot;New condition&quot;.</translation>
    </message>
    <message>
        <source>Une fenêtre réduite ne peut pas être détruite</source>
        <translation>A minimized window cannot be destroyed</translation>
    </message>
    <message>
        <source>&amp;Nouvelle condition</source>
        <translation>&amp;New condition</translation>
    </message>
    <message>
        <source>&amp;Modifier</source>
        <translation>C&amp;hange</translation>
    </message>
    <message>
        <source>&amp;Supprimer</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Liste des ports ouverts</source>
        <translation>Open ports</translation>
    </message>
    <message>
        <source>Votre ordinateur utilise des ports pour communiquer sur Internet. Il y en a plus de 65&#xa0;000. La liste ci-dessous indique ceux qui sont en écoute ou actuellement connectés.</source>
        <translation>Your computer uses ports to talk over the Internet. There are more than 65,000 of them. The list below shows those that are listening or connected now.</translation>
    </message>
    <message>
        <source>Cette liste est donnée à titre d&apos;information et n&apos;est pas nécessaire pour déterminer les fenêtres de pub.</source>
        <translation>This list is for your information only and is not needed to find the ad windows.</translation>
    </message>
    <message>
        <source>Statistiques</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>Nombre de fenêtres fermées :</source>
        <translation>Number of windows closed:</translation>
    </message>
    <message>
        <source>&amp;Tout remettre à zéro</source>
        <translation>&amp;Reset everything</translation>
    </message>
    <message>
        <source>Cette fois-ci :</source>
        <translation>This time:</translation>
    </message>
    <message>
        <source>Total depuis le début :</source>
        <translation>Total since the start:</translation>
    </message>
    <message>
        <source>Liste des fenêtres fermées :</source>
        <translation>Windows closed:</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Lancer Vornel au démarrage de l&apos;ordinateur</source>
        <translation>Start Vornel when the computer starts</translation>
    </message>
    <message>
        <source>Afficher cette fenêtre au démarrage de Vornel</source>
        <translation>Show this window when Vornel starts</translation>
    </message>
    <message>
        <source>Son à jouer à la fermeture d&apos;une pub :</source>
        <translation>Sound to play when an ad is closed:</translation>
    </message>
    <message>
        <source>Choisir...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>Aucun</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Nom des fenêtres à afficher dans la liste &quot;En cours&quot; :</source>
        <translation>Names of the windows to show in the &quot;Current&quot; list:</translation>
    </message>
    <message>
        <source>Défaut</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>&amp;Réduire Vornel à côté de l&apos;horloge</source>
        <translation>&amp;Minimize Vornel beside the clock</translation>
    </message>
    <message>
        <source>&amp;Quitter Vornel</source>
        <translation>&amp;Quit Vornel</translation>
    </message>
    <message>
        <source>Mise à jour du programme</source>
        <translation>Program update</translation>
    </message>
    <message>
        <source>Vérifie si une nouvelle version est disponible sur Internet et affiche les questions fréquemment posées sur Vornel.</source>
        <translation>Checks whether a new version is available on the Internet and shows the frequently asked questions about Vornel.</translation>
    </message>
    <message>
        <source>Vérifier tous les</source>
        <translation>Check every</translation>
    </message>
    <message>
        <source>jours</source>
        <translation>days</translation>
    </message>
    <message>
        <source>&amp;Vérifier MAJ &amp;&amp; voir FAQ</source>
        <translation>Chec&amp;k update &amp;&amp; see FAQ</translation>
    </message>
    <message>
        <source>Vornel %1 - ferme les fenêtres de pub de votre navigateur</source>
        <translation>Vornel %1 - closes your browser&apos;s ad windows</translation>
    </message>
    <message>
        <source>Réglage imposé par l&apos;administrateur</source>
        <translation>Setting imposed by the administrator</translation>
    </message>
    <message>
        <source>Réglages de l&apos;administrateur ignorés : %1</source>
        <translation>Administrator&apos;s settings ignored: %1</translation>
    </message>
    <message>
        <source> (et 1 autre ligne)</source>
        <translation> (and 1 other line)</translation>
    </message>
    <message>
        <source> (et %1 autres lignes)</source>
        <translation> (and %1 other lines)</translation>
    </message>
    <message>
        <source> (administrateur)</source>
        <translation> (administrator)</translation>
    </message>
    <message>
        <source>La liste des conditions est pleine : %1 conditions au plus.</source>
        <translation>The list of conditions is full: %1 conditions at most.</translation>
    </message>
    <message>
        <source>Règle de l&apos;administrateur : elle ne peut être ni modifiée ni supprimée.</source>
        <translation>Administrator&apos;s rule: it can be neither changed nor deleted.</translation>
    </message>
    <message>
        <source>Cette fenêtre s&apos;est fermée entre-temps : choisissez-en une autre dans la liste.</source>
        <translation>This window has closed in the meantime: choose another one in the list.</translation>
    </message>
    <message>
        <source>Effacer le total et tout le journal ?</source>
        <translation>Clear the total and the whole log?</translation>
    </message>
    <message>
        <source>&amp;Oui</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Non</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Site de mise à jour injoignable</source>
        <translation>Update site unreachable</translation>
    </message>
    <message>
        <source>&lt;p&gt;La page de mise à jour n&apos;a pas pu être chargée. Vérifiez votre connexion à Internet, puis cliquez de nouveau sur « Vérifier MAJ &amp;amp; voir FAQ ».&lt;/p&gt;&lt;p&gt;Pour savoir vous-même si une nouvelle version existe, ouvrez dans votre navigateur le site Internet de Vornel, %1, et comparez le numéro de la dernière version avec celui de ce programme : %2.&lt;/p&gt;&lt;h3&gt;Aide&lt;/h3&gt;</source>
        <translation>&lt;p&gt;The update page could not be loaded. Check your Internet connection, then click “Check update &amp;amp; see FAQ” again.&lt;/p&gt;&lt;p&gt;To find out yourself whether a new version exists, open Vornel&apos;s website, %1, in your browser and compare the number of the latest version with this program&apos;s: %2.&lt;/p&gt;&lt;h3&gt;Help&lt;/h3&gt;</translation>
    </message>
    <message>
        <source>Le raccourci qui lance Vornel à l&apos;ouverture de la session n&apos;a pas pu être créé%1 : Vornel ne démarrera pas tout seul.</source>
        <translation>The shortcut that starts Vornel when you log in could not be created%1: Vornel will not start by itself.</translation>
    </message>
</context>
<context>
    <name>TfmVornelTray</name>
    <message>
        <source>Mettre en pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Activer Vornel</source>
        <translation>Resume Vornel</translation>
    </message>
    <message>
        <source>Afficher la fenêtre</source>
        <translation>Show the window</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>VornelBusName</name>
    <message>
        <source>le programme qui demande (processus %1) n&apos;est pas le fichier programme du Vornel en cours, %2</source>
        <translation>the program asking (process %1) is not the program file of the running Vornel, %2</translation>
    </message>
    <message>
        <source>un programme inconnu</source>
        <translation>an unknown program</translation>
    </message>
    <message>
        <source>« %1 » (processus %2)</source>
        <translation>“%1” (process %2)</translation>
    </message>
    <message>
        <source>Vornel n&apos;a pas obtenu son nom org.vornel.Vornel sur le bus de session (%1) : aucune fenêtre n&apos;est surveillée. Vornel réessaie.</source>
        <translation>Vornel did not get its name org.vornel.Vornel on the session bus (%1): no windows are watched. Vornel keeps trying.</translation>
    </message>
    <message>
        <source>refusé</source>
        <translation>refused</translation>
    </message>
    <message>
        <source>Le nom org.vornel.Vornel sur le bus de session est tenu par %1 : aucune fenêtre n&apos;est surveillée tant qu&apos;il le garde. Fermez ce programme (un autre Vornel de cette session) ; Vornel prend la relève dès qu&apos;il le libère.</source>
        <translation>The name org.vornel.Vornel on the session bus is held by %1: no windows are watched while it keeps it. Close that program (another Vornel of this session); Vornel takes over as soon as it lets go.</translation>
    </message>
</context>
<context>
    <name>WlrootsDesktop</name>
    <message>
        <source>Aucune fenêtre n&apos;est fermée : XWayland (écran « %1 ») ne répond pas, et sans lui Vornel ne peut savoir si fermer une fenêtre tuerait son programme.</source>
        <translation>No windows are closed: XWayland (display “%1”) does not answer, and without it Vornel cannot tell whether closing a window would kill its program.</translation>
    </message>
    <message>
        <source>non nommé</source>
        <translation>unnamed</translation>
    </message>
    <message>
        <source>le compositeur a cessé de la fournir</source>
        <translation>the compositor stopped providing it</translation>
    </message>
    <message>
        <source>Vornel a perdu la liste des fenêtres du compositeur (%1) : aucune fenêtre n&apos;est surveillée. Vornel essaie de la rétablir.</source>
        <translation>Vornel lost the compositor&apos;s list of windows (%1): no windows are watched. Vornel is trying to restore it.</translation>
    </message>
</context>
<context>
    <name>XWaylandQuestions</name>
    <message>
        <source>XWayland (écran « %1 ») ne répond pas : aucune fenêtre X11 n&apos;est fermée tant qu&apos;il ne répond pas.</source>
        <translation>XWayland (display “%1”) does not answer: no X11 window is closed until it does.</translation>
    </message>
</context>
</TS>
