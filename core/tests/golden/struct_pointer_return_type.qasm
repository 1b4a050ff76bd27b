OPENQASM 3.0;
qubit[1] q;
h q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"base_profile"}
