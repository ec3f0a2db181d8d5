// The FLV player movie: the lesson player shows a Flash video (.flv) through it. Rebuild it from this
// folder with `haxe build.hxml -swf flvPlayer.swf` (the CMake build does so when haxe is found).
//
// The player's side of the exchange: the movie sends FSCommand "flvplay", the player answers by
// calling the movie's "SetVariable" callback with ("_root.movieq", address of the video), and the
// movie plays that address once `movieq` no longer holds its initial "q".
import flash.Lib;
import flash.events.TimerEvent;
import flash.external.ExternalInterface;
import flash.text.TextField;
import flash.utils.Timer;

class Player {
	static inline var NO_FILE = "q";

	// The variable the player sets; a hidden text field far off the stage, since the player shows
	// the area around the stage too.
	static var movieq:TextField;
	static var panel:VideoPanel;
	static var poll:Timer;

	static function main() {
		var root = Lib.current;
		// Haxe's startup aligns the stage top left; the player expects it centred, as Flash has it.
		root.stage.align = cast "";
		movieq = new TextField();
		movieq.name = "movieq";
		movieq.text = NO_FILE;
		movieq.x = -1000;
		movieq.y = -1000;
		movieq.visible = false;
		root.addChild(movieq);

		panel = new VideoPanel(root.stage);
		root.addChild(panel);

		// The callback must exist before the player hears the FSCommand, or its answer is lost.
		if (ExternalInterface.available)
			ExternalInterface.addCallback("SetVariable", setVariable);
		Lib.fscommand("flvplay", "flvplay");

		poll = new Timer(25);
		poll.addEventListener(TimerEvent.TIMER, checkFile);
		poll.start();
	}

	static function setVariable(name:String, value:String):Void {
		if (name == "_root.movieq")
			movieq.text = value;
	}

	static function checkFile(_:TimerEvent):Void {
		if (movieq.text == NO_FILE)
			return;
		poll.stop();
		panel.file = movieq.text;
		panel.start();
	}
}
