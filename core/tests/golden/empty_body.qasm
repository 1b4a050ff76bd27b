OPENQASM 3.0;
// generated-by: {"name":"corvane","version":"0.2.0"}
